#pragma once
// What the field, list and bark tests share: a window that records every call its children make,
// and helpers over both text field types.
#include "gumps/ControlFixture.h"
#include "gumps/InputControls.h"
#include "gumps/Targeting.h"

#include <string>
#include <vector>

namespace gumptest {

class FieldWindow : public RecordingWindow {
  public:
    using RecordingWindow::RecordingWindow;
    void HandleTabKey() override { events.push_back("tab"); }
    void HandleEnterKey() override { events.push_back("enter"); }
    void HandleEscapeKey() override { events.push_back("escape"); }
    void HandleChildMouseDown(CGump*) override { events.push_back("childdown"); }
    void HandleChildDoubleClick(CGump*) override { events.push_back("double"); }
    void HandleChildDropDown(CGump*) override { events.push_back("dropdown"); }
    int Count(const std::string& what) const {
        return static_cast<int>(std::count(events.begin(), events.end(), what));
    }
};

// The text of a field as 8-bit characters (UTF-16 units below 256).
template <class Field> std::string FieldText(const Field& f) {
    std::string s;
    for (const auto* p = f.Text(); *p; ++p)
        s.push_back(static_cast<char>(*p));
    return s;
}
template <class Field> void SetFieldText(Field& f, const std::string& s) {
    std::basic_string<typename Field::Char> units(s.begin(), s.end());
    f.SetText(units.c_str());
}

// A 200 x 20 editable field of the type at (10, 10) of the window, font 1, hue 902.
template <class Field> Field* MakeField(CGump* window, FieldMode mode, int maximum, int w = 200) {
    auto* f = new Field(10, 10, window, w, 20, mode, maximum, 1, 902, true, false, false);
    f->Attach(window);
    return f;
}

} // namespace gumptest
