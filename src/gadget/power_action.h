// What the gadget's button is for: asking the system to end the session.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace exitbutton {

class Program;

// ExitWindowsEx flags by ActionIndex: forced log-off, log-off, power-off,
// restart, shut-down.
inline constexpr std::array<std::uint32_t, 5> kExitFlagsByAction{4, 0, 8, 2, 1};

// SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED:
// a planned, user-requested end rather than an unexplained one in the event log.
inline constexpr std::uint32_t kPlannedShutdownReason = 0x80000000u;

inline constexpr std::wstring_view kRefusalText = L"Не удается выполнить команду в этой версии ОС";
inline constexpr std::wstring_view kRefusalTitle = L"Ошибка";

// Shut-down, restart and power-off need the shut-down privilege enabled;
// log-off does not.
constexpr bool NeedsShutdownPrivilege(std::uint32_t exitFlags) {
    constexpr std::uint32_t kShutdown = 0x1, kReboot = 0x2, kPowerOff = 0x8;
    return (exitFlags & (kShutdown | kReboot | kPowerOff)) != 0;
}

// Requests the action selected in ActionIndex; a refusal is reported in a
// message box and leaves everything as it was.
void RunPowerAction(Program& program);

}  // namespace exitbutton
