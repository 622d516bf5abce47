#include "RegistryBackupFile.h"

#include "../files/FolderWalk.h"
#include "../paths/PathText.h"
#include "../report/RunReport.h"
#include "RegExport.h"

namespace {

// The format line, then what a person about to import the file should know.
const char kHeader[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; TolmUnload saved here what it deleted or rewrote. Importing this file also\r\n"
    "; brings back values that point at files the run deleted: the suite's service\r\n"
    "; image paths, its autostart (Run) values and the script engines' old servers.\r\n";

// Key names compare without regard to case.
std::string UpperCase(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) ++i;
        else text[i] = pathtext::FoldCase(text[i]);
    }
    return text;
}

// TolmUnload-backup-<date>-<time>.reg, and -2, -3, ... after it when taken.
std::string Candidate(const std::string& folder, const SYSTEMTIME& now, int attempt) {
    char name[80];
    wsprintfA(name, "TolmUnload-backup-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
    std::string path = folder + (pathtext::EndsWithBackslash(folder.c_str()) ? "" : "\\") + name;
    if (attempt > 1) {
        char number[16];
        wsprintfA(number, "-%d", attempt);
        path += number;
    }
    return path + ".reg";
}

}  // namespace

RegistryBackupFile::RegistryBackupFile(std::vector<std::string> folders,
                                       std::function<void(const std::string&)> placed)
    : m_folders(std::move(folders)), m_placed(std::move(placed)) {}

bool RegistryBackupFile::Open() {
    if (m_tried) return m_file.Valid();
    m_tried = true;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    DWORD error = ERROR_PATH_NOT_FOUND;
    for (const std::string& folder : m_folders) {
        if (folder.empty() || folderwalk::IsReparseFolder(folder.c_str())) continue;
        // A new file every time: nothing of another run's, or behind a name, is written to.
        for (int attempt = 1; attempt <= 99; ++attempt) {
            const std::string path = Candidate(folder, now, attempt);
            FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) {
                error = ::GetLastError();
                if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
                break;  // this folder takes no file: the next one
            }
            DWORD written = 0;
            if (!::WriteFile(file.Get(), kHeader, sizeof kHeader - 1, &written, nullptr)) {
                error = ::GetLastError();
                break;
            }
            m_file = std::move(file);
            m_path = path;
            const std::string line = "Registry backup: " + path +
                                     " (regedit imports it to put back what this run deletes or rewrites)";
            report::Note("%s", line.c_str());
            if (m_placed) m_placed(line);
            return true;
        }
    }
    m_failed = true;
    report::Note("Registry backup: could not be written (error %lu); the run goes on without it", error);
    return false;
}

void RegistryBackupFile::Append(const std::string& text) {
    if (text.empty() || m_failed || !Open()) return;
    DWORD written = 0;
    if (!::WriteFile(m_file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        m_failed = true;
        report::Note("Registry backup: %s could not be written on (error %lu); the run goes on without it",
                     m_path.c_str(), ::GetLastError());
        return;
    }
    ::FlushFileBuffers(m_file.Get());  // on disk before the change it saves
}

void RegistryBackupFile::Named(const std::string& key) { m_named.Insert(UpperCase(key)); }

std::string RegistryBackupFile::Ancestors(HKEY root, const char* path) {
    std::string text;
    const std::string full = path ? path : "";
    for (size_t cut = full.find('\\'); cut != std::string::npos; cut = full.find('\\', cut + 1)) {
        const std::string name = regexport::KeyName(root, full.substr(0, cut).c_str());
        if (m_named.Contains(UpperCase(name))) continue;
        Named(name);
        text += "\r\n[" + name + "]\r\n";
    }
    return text;
}

bool RegistryBackupFile::SaveTree(HKEY root, const char* given, change::SaveObstacle* obstacle) {
    // Named as the registry spells each level: an import creates the key by that name.
    const std::string spelled = given ? m_spelling.Of(root, given) : "";
    const char* path = given ? spelled.c_str() : nullptr;
    std::vector<std::string> keys;
    change::SaveObstacle found;
    const std::string tree = regexport::TreeText(root, path, &keys, &found);
    if (found) {
        if (obstacle) *obstacle = found;
        return false;
    }
    if (tree.empty()) return true;
    Append(Ancestors(root, path) + tree);
    for (const std::string& key : keys) Named(key);
    return true;
}

bool RegistryBackupFile::SaveValue(HKEY root, const char* given, const char* name, change::SaveObstacle* obstacle) {
    const std::string spelled = given ? m_spelling.Of(root, given) : "";
    const char* path = given ? spelled.c_str() : nullptr;
    change::SaveObstacle found;
    const std::string value = regexport::ValueText(root, path, name, &found);
    if (found) {
        if (obstacle) *obstacle = found;
        return false;
    }
    if (value.empty()) return true;
    Append(Ancestors(root, path) + value);
    Named(regexport::KeyName(root, path));
    return true;
}

bool RegistryBackupFile::SaveValueOrAbsence(HKEY root, const char* given, const char* name,
                                            change::SaveObstacle* obstacle) {
    const std::string spelled = given ? m_spelling.Of(root, given) : "";
    const char* path = given ? spelled.c_str() : nullptr;
    change::SaveObstacle found;
    std::string value = regexport::ValueText(root, path, name, &found);
    if (found) {
        if (obstacle) *obstacle = found;
        return false;
    }
    if (value.empty()) value = regexport::AbsentValueText(root, path, name);
    if (value.empty()) return true;
    Append(Ancestors(root, path) + value);
    Named(regexport::KeyName(root, path));
    return true;
}
