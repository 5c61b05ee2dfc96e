// Entry point (wired up further below as the monitor grows).
int main() { return 0; }
