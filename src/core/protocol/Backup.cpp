// The protocol backup (see Backup.h).
#include "protocol/Backup.h"

#include "settings/Settings.h"

namespace caniparc {

std::string BackupFileName(const Settings& settings) {
    return settings.RezervDir + settings.ProgramTitle + "-Sicherungsdatei.txt";
}

std::string BackupLockName(const std::string& backupFile) {
#if defined(_WIN32)
    const std::size_t slash = backupFile.find_last_of("/\\");
#else
    const std::size_t slash = backupFile.rfind('/');
#endif
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return backupFile.substr(0, name) + "." + backupFile.substr(name) + ".lock";
}

const FileResult& ProtocolBackup::Write(const ProtocolTable& table) {
    lastWrite_ = WriteProtocolFile(fs_, table, BackupFileName(settings_));
    return lastWrite_;
}

ProtocolLoad ProtocolBackup::Restore(ProtocolTable& table, SortState& sort, Ranking& ranking) const {
    ProtocolLoad load = ReadProtocolFile(BackupFileName(settings_), table, settings_, sort, ranking);
    if (IsMissingFile(load.result)) {
        load.result = {FileError::None, {}, load.result.path};
        load.startLists = SelectStartersAfterLoad(table);
    }
    return load;
}

std::string ProtocolBackup::StatusText() const {
    if (!Failing())
        return {};
    return "Sicherung fehlgeschlagen! " + DescribeFileResult(lastWrite_);
}

bool IsMissingFile(const FileResult& result) {
    return result.error == FileError::CannotOpen && result.code == std::errc::no_such_file_or_directory;
}

} // namespace caniparc
