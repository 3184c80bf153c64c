#pragma once
// The state of the keyboard's lock keys, for the CAP, NUM and SCRL panes.

enum class LockKey { Caps, Num, Scroll };

// True when the lock is on. False also where the state cannot be read.
bool LockKeyOn(LockKey key);
