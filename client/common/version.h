// The one version number of kovendi. The build sets it from the project (KOVENDI_VERSION); the
// package, the --version answer of every program, the status window's product text and the
// journal's banner line all carry it.
#pragma once

#ifndef KOVENDI_VERSION
#error "KOVENDI_VERSION is set by the build"
#endif

namespace kv {

inline constexpr const char* kVersion = KOVENDI_VERSION;
// The product name as the status window shows it and the messaging client receives it.
inline constexpr const char* kProductName = "KOVENDI v" KOVENDI_VERSION;

}  // namespace kv
