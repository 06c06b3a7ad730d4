// How a power action is put to ExitWindowsEx. Plain numbers and no
// <windows.h>, so that the table is checked by the native unit tests too.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace exitbutton::win32 {

struct PowerRequest {
    std::uint32_t exitFlags;       // EWX_*
    bool needsShutdownPrivilege;   // shut-down, restart and power-off; log-off needs none
};

constexpr PowerRequest PowerRequestFor(PowerAction action) {
    constexpr std::uint32_t kLogOff = 0x0, kShutdown = 0x1, kReboot = 0x2, kForce = 0x4,
                            kPowerOff = 0x8;
    switch (action) {
        case PowerAction::ForcedLogOff: return {kForce, false};
        case PowerAction::LogOff: return {kLogOff, false};
        case PowerAction::PowerOff: return {kPowerOff, true};
        case PowerAction::Restart: return {kReboot, true};
        case PowerAction::ShutDown: return {kShutdown, true};
    }
    return {kLogOff, false};
}

// SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED:
// a planned, user-requested end rather than an unexplained one in the event log.
inline constexpr std::uint32_t kPlannedShutdownReason = 0x80000000u;

}  // namespace exitbutton::win32
