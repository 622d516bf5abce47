// The run report as a text file, TolmUnload.log: each line is appended and
// flushed on its own, so that a restart or a crash loses nothing written.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "../cleanup/report/RunReport.h"

// The first characters of the line that begins each run in the file.
extern const char kRunHeaderMark[];
// The file stays below this size: the oldest whole runs go first.
const DWORD kReportLimit = 1024 * 1024;

class FileRunReport : public RunReport {
public:
    // Tries the folders in order; the file is placed once the install directory
    // is known (lines until then are held), or when the report ends.
    explicit FileRunReport(std::vector<std::string> folders, DWORD limit = kReportLimit);
    ~FileRunReport() override;
    void Line(const char* text) override;
    void InstallFolder(const char* installDirectory) override;
    // The file written to; "" before it is placed or when no folder took it.
    const std::string& Path() const { return m_path; }

private:
    void Place(const char* installDirectory);
    bool Append(const std::string& path, const std::string& text);

    std::vector<std::string> m_folders;
    DWORD m_limit;
    bool m_placed = false;
    std::string m_path;
    std::vector<std::string> m_held;
    DWORD m_size = 0;
};

// The report of a real run: the tool's folder, else the user's temporary folder.
std::unique_ptr<RunReport> OpenFileRunReport();
// Drops the oldest whole runs of text until it is at most keep bytes long;
// a text without a run header goes whole.
std::string DropOldestRuns(const std::string& text, size_t keep);
// True when path is folder or lies below it (both compared in their full form).
bool IsInsideFolder(const char* path, const char* folder);
