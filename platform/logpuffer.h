// The write-ahead log of a SQLite file, written per transaction instead of
// per page.
#pragma once

namespace vxm {

// Makes the process's default SQLite file layer one that gathers the frames
// of a transaction in memory and writes them to the log in one piece before
// the transaction's last frame, which is written as before: a commit returns
// only when all its frames are in the log, so what a commit promised after a
// crash of the program stays the same. (SQLite writes each frame's header
// and page apart: two system calls per page, the larger part of a commit of
// thousands of pages.) Other files, and logs written any other way, go
// through unchanged. Idempotent; called before the first connection opens.
void LogPufferEinrichten();

// The name of that layer (for tests that open a file with or without it).
inline constexpr const char* kLogPufferName = "vxm-log";

}  // namespace vxm
