#include "RewriteGameIni.h"

#include "SequentialFile.h"
#include "ServerPackages.h"

namespace gameini {
namespace {

// A package file name less its extension: the last two characters, which are
// ".u" for every name the file list offers.
std::string WithoutLastTwoCharacters(const std::string& name) {
    size_t end = name.size();
    for (int dropped = 0; dropped < 2 && end > 0; ++dropped) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            --end;
    }
    return name.substr(0, end);
}

} // namespace

void RewriteGameIni(std::string_view source, std::string_view target,
                    const std::vector<std::string>& names, FileSystem& fileSystem) {
    SequentialFile input = SequentialFile::OpenInput(source);
    SequentialFile output = SequentialFile::OpenOutput(target, input.Format(), fileSystem);
    bool inSection = false;
    while (!input.AtEnd()) {
        const std::string_view line = input.ReadLine();
        // A flag rather than a marker text in the line, so that no source line
        // can be mistaken for "write nothing".
        bool suppressed = false;
        if (IsGameEngineHeader(line)) {
            inSection = true;
            output.WriteLine("[Engine.GameEngine]");
            for (const std::string& name : names)
                output.WriteLine("ServerPackages=" + WithoutLastTwoCharacters(name));
            suppressed = true;
        } else if (IsSectionHeader(line) && inSection) {
            inSection = false;
        } else if (inSection && IsServerPackagesLine(line)) {
            suppressed = true;
        }
        if (!suppressed)
            output.WriteLine(line);
    }
    output.Close();
    input.Close();
}

} // namespace gameini
