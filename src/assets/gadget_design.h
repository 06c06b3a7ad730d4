// The gadget's texts that other programs and screen readers see.
#pragma once

#include <array>
#include <string_view>

namespace exitbutton::gadget_design {

inline constexpr std::wstring_view kWindowTitle = L"Form1";  // never drawn
inline constexpr std::wstring_view kPowerButtonText = L"Command1";
// Tool tips of the knobs, with their blank before and after.
inline constexpr std::wstring_view kExitKnobToolTip = L" Закрыть программу ";
inline constexpr std::wstring_view kSettingsKnobToolTip = L" Настройки ";

// What screen readers are told. The gadget is named as the exe's version
// block describes it.
inline constexpr std::wstring_view kAccessibleName = L"Кнопка для выхода из системы";
// The power button's name says what it will do, in the order of the actions.
inline constexpr std::array<std::wstring_view, 5> kPowerButtonNames{
    L"Завершить сеанс принудительно",
    L"Завершить сеанс",
    L"Выключить компьютер",
    L"Перезагрузить компьютер",
    L"Завершить работу системы",
};
// The default action of the power button and of the knobs.
inline constexpr std::wstring_view kPressAction = L"Нажать";

}  // namespace exitbutton::gadget_design
