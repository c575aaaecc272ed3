#pragma once
// Exit statuses of file-converter-pack.

namespace pack {

inline constexpr int FailedExit = 1;   // build: a step failed; check: the set has faults
inline constexpr int RefusedExit = 2;  // the request was refused before any work

}  // namespace pack
