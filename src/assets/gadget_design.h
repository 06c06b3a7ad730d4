// The gadget's texts that other programs and screen readers see.
#pragma once

#include <string_view>

namespace exitbutton::gadget_design {

inline constexpr std::wstring_view kWindowTitle = L"Form1";  // never drawn
inline constexpr std::wstring_view kPowerButtonText = L"Command1";
// Tool tips of the knobs, with their blank before and after.
inline constexpr std::wstring_view kExitKnobToolTip = L" Закрыть программу ";
inline constexpr std::wstring_view kSettingsKnobToolTip = L" Настройки ";

}  // namespace exitbutton::gadget_design
