// What the power button is for: asking the system to end the session.
#pragma once

#include <iterator>
#include <string_view>

#include "platform/platform.h"

namespace exitbutton {

inline constexpr std::wstring_view kRefusalText = L"Не удается выполнить команду в этой версии ОС";
inline constexpr std::wstring_view kRefusalTitle = L"Ошибка";

// The action chosen in the settings dialog, by its option's index.
inline constexpr PowerAction kPowerActions[] = {
    PowerAction::ForcedLogOff, PowerAction::LogOff, PowerAction::PowerOff,
    PowerAction::Restart,      PowerAction::ShutDown,
};
inline constexpr int kPowerActionCount = static_cast<int>(std::size(kPowerActions));

// Requests the action with index `actionIndex`; a refusal is told in a
// message box owned by the gadget and leaves everything as it was.
void RequestPowerAction(System& system, GadgetWindow& gadget, int actionIndex);

}  // namespace exitbutton
