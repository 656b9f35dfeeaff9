// The watcher of the barrier port stamps contacts the moment it wakes; on a machine whose cores
// are all busy a thread of normal priority can wait a scheduler tick (4 ms) before it runs. It
// therefore asks for a low real-time priority where the platform grants one.
#pragma once

namespace caniparc {

// Gives the calling thread a low fixed real-time priority. Linux grants it to root or to users
// with an rtprio limit (/etc/security/limits.conf); elsewhere, or when refused, the thread keeps
// its priority. Returns whether it was granted.
bool RaiseCallingThreadPriority();

} // namespace caniparc
