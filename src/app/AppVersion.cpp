// The program's version text.
namespace sonivex {
const char* AppVersion() {
    return SONIVEX_VERSION;
}
}  // namespace sonivex
