#include "RewriteGameIni.h"

#include "Error.h"
#include "SequentialFile.h"
#include "ServerPackages.h"

#include <cerrno>
#include <optional>

namespace gameini {
namespace {

void RefuseUnstorable(const SequentialFile& input, const std::vector<std::string>& packages) {
    for (const std::string& name : packages)
        if (std::optional<std::string> problem = StorageProblem(name, input.Format().encoding))
            throw FileError(EILSEQ, "Cannot write the package " + name + ": " + *problem);
}

void Rewrite(SequentialFile& input, SequentialFile& output,
             const std::vector<std::string>& packages) {
    bool inSection = false;
    std::optional<LineEnd> firstLineEnd;
    while (!input.AtEnd()) {
        const std::string_view line = input.ReadLine();
        LineEnd lineEnd = input.LastLineEnd();
        if (!firstLineEnd && lineEnd != LineEnd::None)
            firstLineEnd = lineEnd;
        if (lineEnd == LineEnd::None) // only the last line; it gains one
            lineEnd = firstLineEnd.value_or(LineEnd::CrLf);

        if (IsGameEngineHeader(line)) {
            inSection = true;
            output.WriteLine("[Engine.GameEngine]", lineEnd);
            for (const std::string& name : packages)
                output.WriteLine("ServerPackages=" + name, lineEnd);
            continue;
        }
        if (IsSectionHeader(line))
            inSection = false;
        else if (inSection && IsServerPackagesLine(line))
            continue;
        output.CopyLine(input, lineEnd);
    }
}

} // namespace

void RewriteGameIni(std::string_view source, std::string_view target,
                    const std::vector<std::string>& packages, FileSystem& fileSystem) {
    SequentialFile input = SequentialFile::OpenInput(source);
    RefuseUnstorable(input, packages);
    SequentialFile output = SequentialFile::OpenOutput(target, input.Format(), fileSystem);
    Rewrite(input, output, packages);
    output.Close();
    input.Close();
}

std::string RewrittenGameIni(std::string_view source, const std::vector<std::string>& packages) {
    std::string bytes;
    SequentialFile input = SequentialFile::OpenInput(source);
    RefuseUnstorable(input, packages);
    SequentialFile output = SequentialFile::OpenOutput(bytes, input.Format());
    Rewrite(input, output, packages);
    output.Close();
    input.Close();
    return bytes;
}

} // namespace gameini
