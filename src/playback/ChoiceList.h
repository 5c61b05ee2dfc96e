// A plain list of texts with one selected item; the settings dialog mirrors it into a combo box.
#pragma once

#include <string>
#include <vector>

namespace sonivex {

class ChoiceList {
public:
    void Clear() {
        items_.clear();
        selected_ = -1;
    }
    void Add(const std::string& text) { items_.push_back(text); }
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
    void Select(int index) { selected_ = index; }
    int Selected() const { return selected_; }  // -1 = nothing selected
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
    int selected_ = -1;
};

}  // namespace sonivex
