// The settings dialog's design: texts, fonts and layout in twips.
#pragma once

#include <array>
#include <string_view>

#include "assets/twips.h"

namespace exitbutton::settings_design {

inline constexpr std::wstring_view kCaption = L"Настройки";
inline constexpr int kClientWidthTwips = 5430;   // 362 px
inline constexpr int kClientHeightTwips = 5520;  // 368 px

// The maker's web address: the web-link button's text and what it opens.
inline constexpr std::wstring_view kWebAddress = L"https://exitbutton.example/";

inline constexpr std::wstring_view kOpacityWord = L"Прозрачность";

struct Font {
    std::wstring_view face;
    int tenthsOfPoint;  // 82 = 8.25 pt, 97 = 9.75 pt
    bool bold;
};
inline constexpr Font kDefaultFont{L"MS Sans Serif", 82, false};
inline constexpr Font kTitleFont{L"MS Sans Serif", 97, true};
inline constexpr Font kWebLinkFont{L"MS Sans Serif", 82, true};
inline constexpr int kCyrillicCharset = 204;

// The action options: an option's index is the action it chooses.
inline constexpr int kOptionCount = 5;
inline constexpr std::array<std::wstring_view, kOptionCount> kOptionCaptions{
    L"Закрывает все программы без приглашения сохранить файлы",
    L"Завершение сеанса",
    L"Завершает работу системы и по возможности выключает компьютер",
    L"Перезагружает компьютер",
    L"Завершает работу и выключает питание, останавливает все системные процессы",
};

// The actions' group box holds the options; the opacity group box holds the
// opacity scroll bar.
inline constexpr int kActionsBoxLeft = 120, kActionsBoxTop = 1320;
inline constexpr int kOpacityBoxLeft = 120, kOpacityBoxTop = 3960;
inline constexpr std::array<int, kOptionCount> kOptionTops{240, 720, 1080, 1560, 2040};

inline constexpr TwipsRect kTitlePlace{480, 120, 4335, 375};
inline constexpr TwipsRect kMakersPlace{0, 600, 5415, 255};
inline constexpr TwipsRect kYearPlace{1920, 960, 1455, 255};
inline constexpr TwipsRect kActionsBoxPlace{kActionsBoxLeft, kActionsBoxTop, 5175, 2535};
inline constexpr TwipsRect OptionPlace(int index) {
    return {kActionsBoxLeft + 120, kActionsBoxTop + kOptionTops[index], 4215, 375};
}
inline constexpr TwipsRect kOpacityBoxPlace{kOpacityBoxLeft, kOpacityBoxTop, 5175, 615};
inline constexpr TwipsRect kOpacityScrollBarPlace{kOpacityBoxLeft + 120, kOpacityBoxTop + 240, 4935, 255};
inline constexpr TwipsRect kCloseButtonPlace{120, 5040, 2175, 375};
inline constexpr TwipsRect kWebLinkPlace{2400, 5040, 2895, 375};

inline constexpr std::wstring_view kTitleText = L"Кнопка для выхода из системы";
inline constexpr std::wstring_view kMakersText = L"Сделано командой ExitButton (exitbutton.example)";
inline constexpr std::wstring_view kYearText = L"2004 г.";
inline constexpr std::wstring_view kActionsBoxText = L"Кнопка...";
inline constexpr std::wstring_view kCloseButtonText = L"Закрыть";

// The opacity scroll bar: its lower end is 50, so the gadget can never turn
// invisible and let clicks through; every step is 1.
inline constexpr int kOpacityMinimum = 50;
inline constexpr int kOpacityMaximum = 255;
inline constexpr int kOpacityStep = 1;

}  // namespace exitbutton::settings_design
