// The settings dialog's stored design: texts, fonts and layout in twips.
#pragma once

#include <array>
#include <string_view>

#include "core/twips.h"

namespace exitbutton::form3_design {

inline constexpr std::wstring_view kCaption = L"Настройки";
inline constexpr int kClientWidthTwips = 5430;   // 362 px
inline constexpr int kClientHeightTwips = 5520;  // 368 px

// The maker's web address: Command1's caption and what it opens.
inline constexpr std::wstring_view kWebAddress = L"https://exitbutton.example/";

inline constexpr std::wstring_view kOpacityWord = L"Прозрачность";

struct Font {
    std::wstring_view face;
    int tenthsOfPoint;  // 82 = 8.25 pt, 97 = 9.75 pt
    bool bold;
};
inline constexpr Font kDefaultFont{L"MS Sans Serif", 82, false};
inline constexpr Font kLabel1Font{L"MS Sans Serif", 97, true};
inline constexpr Font kCommand1Font{L"MS Sans Serif", 82, true};
inline constexpr int kCyrillicCharset = 204;

// Option1 elements: the index is the value ActionIndex takes.
inline constexpr int kOptionCount = 5;
inline constexpr std::array<std::wstring_view, kOptionCount> kOptionCaptions{
    L"Закрывает все программы без приглашения сохранить файлы",
    L"Завершение сеанса",
    L"Завершает работу системы и по возможности выключает компьютер",
    L"Перезагружает компьютер",
    L"Завершает работу и выключает питание, останавливает все системные процессы",
};

// Frame1 at (120, 1320) holds Option1; Frame2 at (120, 3960) holds HScroll1.
inline constexpr int kFrame1Left = 120, kFrame1Top = 1320;
inline constexpr int kFrame2Left = 120, kFrame2Top = 3960;
inline constexpr std::array<int, kOptionCount> kOptionTops{240, 720, 1080, 1560, 2040};

inline constexpr TwipsRect kLabel1{480, 120, 4335, 375};
inline constexpr TwipsRect kLabel2{0, 600, 5415, 255};
inline constexpr TwipsRect kLabel3{1920, 960, 1455, 255};
inline constexpr TwipsRect kFrame1{kFrame1Left, kFrame1Top, 5175, 2535};
inline constexpr TwipsRect OptionPlace(int index) {
    return {kFrame1Left + 120, kFrame1Top + kOptionTops[index], 4215, 375};
}
inline constexpr TwipsRect kFrame2{kFrame2Left, kFrame2Top, 5175, 615};
inline constexpr TwipsRect kHScroll1{kFrame2Left + 120, kFrame2Top + 240, 4935, 255};
inline constexpr TwipsRect kCommand2{120, 5040, 2175, 375};
inline constexpr TwipsRect kCommand1{2400, 5040, 2895, 375};

inline constexpr std::wstring_view kLabel1Text = L"Кнопка для выхода из системы";
inline constexpr std::wstring_view kLabel2Text = L"Сделано командой ExitButton (exitbutton.example)";
inline constexpr std::wstring_view kLabel3Text = L"2004 г.";
inline constexpr std::wstring_view kFrame1Text = L"Кнопка...";
inline constexpr std::wstring_view kCommand2Text = L"Закрыть";

// Focus order: Command1 (0), Option1 (5..9), Command2 (10), HScroll1 (12).
inline constexpr int kCommand1TabIndex = 0;

// HScroll1: lower end 50 with a large step of 1, so the gadget can never turn
// invisible and let clicks through.
inline constexpr int kScrollMinimum = 50;
inline constexpr int kScrollMaximum = 255;
inline constexpr int kScrollDesignValue = 50;
inline constexpr int kScrollSmallChange = 1;
inline constexpr int kScrollLargeChange = 1;

}  // namespace exitbutton::form3_design
