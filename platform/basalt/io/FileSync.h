// Forcing written files to stable storage, for saves that replace a file by
// renaming a finished temporary over it: the temporary's data must be on disk
// before the rename, or a system crash right after a save could leave an
// empty or partial file under the old name.
//
// Stateless; safe from any thread.
#pragma once

#include <filesystem>

namespace io {

// Flushes the file's data to disk; false with `error` set on failure, as a
// std::generic_category number whatever the platform.
bool SyncFileToDisk(const std::filesystem::path& file, int& error);

// Makes a rename inside `directory` durable. Best effort: platforms and file
// systems without directory sync report success.
void SyncDirectoryToDisk(const std::filesystem::path& directory);

}  // namespace io
