#pragma once

namespace quorvane::app {

/// The state of the "Display BOOTABLE only?" check box as the list commands
/// read it: bootable records are always shown; the others only with AllRecords.
enum class BootFilter { AllRecords, BootableOnly };

} // namespace quorvane::app
