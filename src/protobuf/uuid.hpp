// Random version-4 UUIDs for the `id` fields of written messages, from a
// per-thread generator seeded from the operating system.
#pragma once

#include <string>

namespace forvela::pb {

// 36 characters of lower-case hyphenated hex (8-4-4-4-12).
std::string new_uuid_v4();

}  // namespace forvela::pb
