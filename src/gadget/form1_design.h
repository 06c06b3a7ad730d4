// The gadget window's stored design.
#pragma once

#include <string_view>

namespace exitbutton::form1_design {

inline constexpr std::wstring_view kCaption = L"Form1";  // never drawn
inline constexpr std::wstring_view kCommand1Caption = L"Command1";
inline constexpr int kTimer1DesignInterval = 50;  // ms; start-up stops it
// Tool tips of the hot spots, with their blank before and after.
inline constexpr std::wstring_view kImage1ToolTip = L" Закрыть программу ";
inline constexpr std::wstring_view kImage3ToolTip = L" Настройки ";

}  // namespace exitbutton::form1_design
