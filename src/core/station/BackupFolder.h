// The backup folder as the station keeps it, and the backup that a folder typed without its
// closing separator once put beside the folder, under the folder's and the program's names run
// together ("/home/op/ringcaniparc-Sicherungsdatei.txt" for "/home/op/ring").
#pragma once

#include <string>

namespace caniparc {

class FileSystem;
struct Settings;

// The file a folder typed without its closing separator made of `RezervDir` (which has it now);
// empty where no such name exists (the root folder).
std::string JoinedBackupName(const Settings& settings);

// Looks once for a backup of the joined name. Unless another station still writes it, it becomes
// the backup when there is none yet, else it is moved into the backup folder under a name of its
// own (`stamp` keeps it apart from others). Returns what the operator is told; empty when there
// was nothing to find.
std::string AdoptJoinedNameBackup(FileSystem& fs, const Settings& settings, const std::string& stamp);

} // namespace caniparc
