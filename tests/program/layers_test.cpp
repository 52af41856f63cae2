// The layer rules of the build: every source file belongs to one layer, no
// layer depends on itself through others, every include of a project header
// goes to the file's own layer or to one below it, and no Qt-free layer
// includes Qt. The layers come from the manifest the build writes.

#include <gtest/gtest.h>

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

struct Layer {
    std::string Kind;  // qt-free, qt or program
    std::vector<std::string> Depends;
    std::vector<std::string> Files;  // relative to the repository root
};

struct Manifest {
    std::map<std::string, Layer> Layers;
    std::map<std::string, std::string> OwnerOf;  // file -> layer
};

Manifest ReadManifest(const std::string& path)
{
    Manifest manifest;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string what, layer, value;
        words >> what >> layer >> value;
        if (what == "layer") manifest.Layers[layer].Kind = value;
        if (what == "depends") manifest.Layers[layer].Depends.push_back(value);
        if (what == "file") {
            manifest.Layers[layer].Files.push_back(value);
            manifest.OwnerOf[value] = layer;
        }
    }
    return manifest;
}

// Every layer reachable from `name` through its dependencies, not itself
// unless a cycle leads back to it.
std::set<std::string> Below(const Manifest& manifest, const std::string& name)
{
    std::set<std::string> seen;
    std::vector<std::string> open{name};
    while (!open.empty()) {
        const std::string next = open.back();
        open.pop_back();
        const auto found = manifest.Layers.find(next);
        if (found == manifest.Layers.end()) continue;
        for (const std::string& dependency : found->second.Depends)
            if (seen.insert(dependency).second) open.push_back(dependency);
    }
    return seen;
}

std::vector<std::string> Includes(const fs::path& file, const std::regex& pattern)
{
    std::vector<std::string> found;
    std::ifstream in(file);
    std::string line;
    std::smatch match;
    while (std::getline(in, line))
        if (std::regex_search(line, match, pattern)) found.push_back(match[1]);
    return found;
}

class Layers : public ::testing::Test {
protected:
    void SetUp() override
    {
        manifest_ = ReadManifest(QUENLIX_LAYER_MANIFEST);
        ASSERT_FALSE(manifest_.Layers.empty()) << "no layer manifest at " << QUENLIX_LAYER_MANIFEST;
    }
    fs::path Root() const { return QUENLIX_SOURCE_DIR; }
    Manifest manifest_;
};

TEST_F(Layers, EverySourceFileBelongsToALayer)
{
    for (const auto& entry : fs::recursive_directory_iterator(Root() / "src")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") continue;
        const std::string file = fs::relative(entry.path(), Root()).generic_string();
        EXPECT_TRUE(manifest_.OwnerOf.count(file)) << file << " is in no layer's source list";
    }
}

TEST_F(Layers, DependenciesNamedLayersWithoutCycles)
{
    for (const auto& [name, layer] : manifest_.Layers) {
        for (const std::string& dependency : layer.Depends)
            EXPECT_TRUE(manifest_.Layers.count(dependency)) << name << " depends on " << dependency
                                                            << ", which is not a layer";
        EXPECT_FALSE(Below(manifest_, name).count(name)) << name << " depends on itself";
        if (layer.Kind != "qt-free") continue;
        for (const std::string& dependency : Below(manifest_, name)) {
            EXPECT_EQ(manifest_.Layers[dependency].Kind, "qt-free") << "Qt-free " << name << " depends on " << dependency;
        }
    }
}

TEST_F(Layers, IncludesRunToTheOwnLayerOrBelow)
{
    const std::regex project(R"(^\s*#\s*include\s*"([^"]+)\")");
    for (const auto& [name, layer] : manifest_.Layers) {
        const std::set<std::string> below = Below(manifest_, name);
        for (const std::string& file : layer.Files) {
            for (const std::string& header : Includes(Root() / file, project)) {
                const auto owner = manifest_.OwnerOf.find("src/" + header);
                if (owner == manifest_.OwnerOf.end()) {
                    ADD_FAILURE() << file << " includes " << header << ", which is in no layer";
                    continue;
                }
                EXPECT_TRUE(owner->second == name || below.count(owner->second))
                    << file << " (" << name << ") includes " << header << " of " << owner->second
                    << ", which is not below it";
            }
        }
    }
}

TEST_F(Layers, QtFreeLayersIncludeNoQt)
{
    const std::regex system(R"(^\s*#\s*include\s*<(Q[A-Za-z]*[/>]?[^>]*)>)");
    for (const auto& [name, layer] : manifest_.Layers) {
        if (layer.Kind != "qt-free") continue;
        for (const std::string& file : layer.Files)
            for (const std::string& header : Includes(Root() / file, system))
                ADD_FAILURE() << file << " in Qt-free " << name << " includes <" << header << ">";
    }
}

}  // namespace
