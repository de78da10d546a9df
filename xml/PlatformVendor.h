#pragma once

namespace quorvane::xml {

/// The description the platform's DOM vendor registers under, the one every
/// document of the program names: "libxml2".
inline constexpr const char* PlatformVendor = "libxml2";

/// Initialises the parser and registers the platform's DOM vendor under
/// `PlatformVendor`, once per process; later calls do nothing. Safe to call
/// from several threads.
void InitParser();

} // namespace quorvane::xml
