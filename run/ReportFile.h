// The run report as a text file, TolmUnload.log. The file is opened once and
// held for the run; lines go to the system as they come and are flushed to
// disk at the end of each step, so that a restart or a crash loses nothing
// already reported.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "../cleanup/report/RunReport.h"
#include "../framework/Handles.h"

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
    void Flush() override;
    const char* Place() const override { return m_path.c_str(); }
    // The file written to; "" before it is placed or when no folder took it.
    const std::string& Path() const { return m_path; }

private:
    void Place(const char* installDirectory);
    bool Write(const std::string& text);

    std::vector<std::string> m_folders;
    DWORD m_limit;
    bool m_placed = false;
    std::string m_path;
    FileHandle m_file;
    std::string m_held;
    DWORD m_size = 0;
};

// The report of a real run: the tool's folder, else the user's temporary folder.
std::unique_ptr<RunReport> OpenFileRunReport();
// Where the tool keeps files of its own (the report, the registry backup), in
// order: the tool's folder, the user's temporary folder.
std::vector<std::string> OwnFileFolders();
// The install directory when the run will clean it (it is not refused), else
// null: where the tool's own files must not go.
const char* ClearedFolder(const char* installDirectory);
// True when folder may take a file of the tool's own: it is no link, and it
// does not lie in clearedFolder (null: none; see ClearedFolder).
bool MayHoldOwnFiles(const std::string& folder, const char* clearedFolder);

// Opens folder\TolmUnload.log as the report's own file and makes room in it:
// refused (false, nothing written) when the folder is a reparse point, or the
// file is a reparse point, not a plain file, has more than one link, or is not
// empty and does not begin with a run header. Old runs are dropped, oldest
// first, through the handle until room bytes more keep the file below limit;
// at most limit bytes of it are read. size receives the file's size after that.
bool OpenOwnReportFile(const std::string& folder, DWORD limit, DWORD room, FileHandle& file, DWORD& size);

// Appends line to folder\TolmUnload.log as a run of its own (a run header, then
// the line), under the same rules as OpenOwnReportFile. False when refused.
bool AppendOwnReportLine(const std::string& folder, const std::string& line);
