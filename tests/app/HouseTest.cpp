// The floors of the house: no folder of the client includes a folder that includes it back, directly
// or around a circle, and core/ includes nothing above platform/.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::array<const char*, 13> kFolders = {"platform", "core",  "net",      "world",   "text",
                                              "render",   "gumps", "frontend", "windows", "chat",
                                              "media",    "app",   "scene"};

bool IsFolder(const std::string& name) {
    for (const char* folder : kFolders)
        if (name == folder) return true;
    return false;
}

// Folder -> folders it includes, each with the first file that does.
using Edges = std::map<std::string, std::map<std::string, std::string>>;

Edges ReadIncludes(const fs::path& root) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
    Edges edges;
    for (const char* folder : kFolders) {
        if (!fs::is_directory(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".inc")) continue;
            std::ifstream in(entry.path());
            std::string line;
            std::smatch m;
            while (std::getline(in, line)) {
                if (!std::regex_search(line, m, include)) continue;
                const std::string to = m[1];
                if (to != folder && IsFolder(to))
                    edges[folder].emplace(to, fs::relative(entry.path(), root).string());
            }
        }
    }
    return edges;
}

std::set<std::string> Reach(const Edges& edges, const std::string& from) {
    std::set<std::string> seen;
    std::vector<std::string> todo{from};
    while (!todo.empty()) {
        const std::string at = todo.back();
        todo.pop_back();
        auto it = edges.find(at);
        if (it == edges.end()) continue;
        for (const auto& [to, file] : it->second)
            if (seen.insert(to).second) todo.push_back(to);
    }
    return seen;
}

// One line per fault: a pair of folders that reach each other, or core/ including a higher folder.
std::vector<std::string> HouseFaults(const fs::path& root) {
    const Edges edges = ReadIncludes(root);
    std::vector<std::string> faults;
    for (size_t a = 0; a < kFolders.size(); ++a)
        for (size_t b = a + 1; b < kFolders.size(); ++b)
            if (Reach(edges, kFolders[a]).count(kFolders[b]) && Reach(edges, kFolders[b]).count(kFolders[a]))
                faults.push_back(std::string("circle: ") + kFolders[a] + " <-> " + kFolders[b]);
    if (auto it = edges.find("core"); it != edges.end())
        for (const auto& [to, file] : it->second)
            if (to != "platform") faults.push_back("core includes " + to + "/ (" + file + ")");
    return faults;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::ostringstream out;
    for (const std::string& line : lines)
        out << line << '\n';
    return out.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(House, TheClientsFoldersIncludeOnlyDownwards) {
    const fs::path root = fs::path(QV_TESTS_DIR).parent_path();
    ASSERT_TRUE(fs::is_directory(root / "core")) << root;
    const std::vector<std::string> faults = HouseFaults(root);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST(House, TheCheckFindsCirclesAndCoreReachingUp) {
    qvtest::TempDir dir;
    const fs::path root = dir.path();
    WriteFile(root / "core/A.h", "#include \"platform/platform.h\"\n");
    WriteFile(root / "net/B.cpp", "#include \"core/A.h\"\n#include \"world/C.h\"\n");
    WriteFile(root / "world/C.h", "#pragma once\n");
    EXPECT_TRUE(HouseFaults(root).empty()) << Joined(HouseFaults(root));

    // Around a circle of three: net -> world -> render -> net.
    WriteFile(root / "world/C.h", "#include \"render/D.h\"\n");
    WriteFile(root / "render/stubs/D_null.cpp", "  #  include \"net/B.h\" // a stand-in counts too\n");
    std::vector<std::string> faults = HouseFaults(root);
    EXPECT_NE(Joined(faults).find("circle: net <-> world"), std::string::npos) << Joined(faults);
    EXPECT_NE(Joined(faults).find("circle: world <-> render"), std::string::npos) << Joined(faults);

    // core/ naming a higher folder is a fault without any circle.
    WriteFile(root / "render/stubs/D_null.cpp", "#include <vector>\n");
    WriteFile(root / "core/E.cpp", "#include \"app/multcli.h\"\n");
    faults = HouseFaults(root);
    ASSERT_EQ(faults.size(), 1u) << Joined(faults);
    EXPECT_EQ(faults[0], "core includes app/ (core/E.cpp)");
}

} // namespace
