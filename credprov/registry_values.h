// The provider's ways of reading one registry value through the registry
// calls (platform/registry): a text that must be REG_SZ, and the bytes of a
// value of any type read as wide text (numbers come from the layer's
// ReadRegistryNumber). Each gives nothing when the value is missing, refused
// or unreadable, and never reads past what the registry handed out.
#pragma once

#include <optional>
#include <string>

#include "platform/registry/registry.h"

// A REG_SZ value (every other type is refused), up to its first zero, or
// all of it when it was stored without one.
std::optional<std::u16string> ReadRegistryString(HKEY key, const char16_t* name);

// A value of any type of at most `maxBytes` bytes, as wide text up to its
// first zero. Nothing for a longer value.
std::optional<std::u16string> ReadRegistryWideText(HKEY key, const char16_t* name, DWORD maxBytes);
