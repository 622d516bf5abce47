// Paths the deleting walks leave alone, with everything below them: the user's
// rule files when no copy of them could be made.
#pragma once
#include <string>
#include <vector>

class KeptPaths {
public:
    // Adds path; repeated and trailing backslashes are read as the path without them.
    void Add(const char* path);
    // True when path is a kept path or lies below one, compared as spelt without
    // regard to case (the walks build their paths from the same install directory).
    bool Covers(const char* path) const;
    bool Empty() const { return m_paths.empty(); }
    const std::vector<std::string>& Paths() const { return m_paths; }

private:
    std::vector<std::string> m_paths;
};
