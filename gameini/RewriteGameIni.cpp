#include "RewriteGameIni.h"

#include "Error.h"
#include "GamePath.h"
#include "SequentialFile.h"
#include "ServerPackages.h"

#include <cerrno>
#include <filesystem>
#include <optional>

namespace gameini {
namespace {

void RefuseUnstorable(const SequentialFile& input, const std::vector<std::string>& packages) {
    for (const std::string& name : packages)
        if (std::optional<std::string> problem = StorageProblem(name, input.Format().encoding))
            throw FileError(EILSEQ, "Cannot write the package " + name + ": " + *problem);
}

void WriteBlock(SequentialFile& output, const std::vector<std::string>& packages, LineEnd lineEnd) {
    for (const std::string& name : packages)
        output.WriteLine("ServerPackages=" + name, lineEnd);
}

// Copies `input` to `output` line by line by the rewrite's rules. At each
// section header it writes "[Engine.GameEngine]" and calls `atHeader` with the
// header's line end, for the package block. Returns the packages the input
// configured.
std::vector<ConfiguredPackage> Rewrite(SequentialFile& input, SequentialFile& output,
                                       const std::function<void(LineEnd)>& atHeader) {
    std::vector<ConfiguredPackage> configured;
    SectionScanner scanner;
    std::optional<LineEnd> firstLineEnd;
    for (int number = 1; !input.AtEnd(); ++number) {
        const std::string_view line = input.ReadLine();
        LineEnd lineEnd = input.LastLineEnd();
        if (!firstLineEnd && lineEnd != LineEnd::None)
            firstLineEnd = lineEnd;
        if (lineEnd == LineEnd::None) // only the last line; it gains one
            lineEnd = firstLineEnd.value_or(LineEnd::CrLf);

        switch (scanner.Next(line)) {
        case SectionScanner::Line::GameEngineHeader:
            output.WriteLine("[Engine.GameEngine]", lineEnd);
            atHeader(lineEnd);
            break;
        case SectionScanner::Line::PackageLine:
            configured.push_back({std::string(SectionScanner::PackageOf(line)), number});
            break;
        case SectionScanner::Line::Other:
            output.CopyLine(input, lineEnd);
            break;
        }
    }
    return configured;
}

} // namespace

void RewriteGameIni(std::string_view source, std::string_view target,
                    const std::vector<std::string>& packages, FileSystem& fileSystem) {
    SequentialFile input = SequentialFile::OpenInput(source);
    RefuseUnstorable(input, packages);
    SequentialFile output = SequentialFile::OpenOutput(target, input.Format(), fileSystem);
    Rewrite(input, output, [&](LineEnd lineEnd) { WriteBlock(output, packages, lineEnd); });
    output.Close();
    input.Close();
}

std::string RewrittenGameIni(std::string_view source, const ChoosePackages& choose) {
    std::string bytes;
    SequentialFile input = SequentialFile::OpenInput(source);
    std::error_code unknownSize; // then the string grows as it goes
    bytes.reserve(std::filesystem::file_size(ResolvePath(source), unknownSize) + (64 << 10));
    SequentialFile output = SequentialFile::OpenOutput(bytes, input.Format());
    // The list is known only at the end: note where each block goes.
    std::vector<std::pair<size_t, LineEnd>> blocks;
    const std::vector<ConfiguredPackage> configured = Rewrite(
        input, output, [&](LineEnd lineEnd) { blocks.emplace_back(bytes.size(), lineEnd); });
    output.Close();
    input.Close();

    const std::vector<std::string> packages = choose(configured, !blocks.empty());
    RefuseUnstorable(input, packages);
    for (auto block = blocks.rbegin(); block != blocks.rend(); ++block) {
        std::string text;
        SequentialFile encoded = SequentialFile::OpenOutput(text, input.Format());
        WriteBlock(encoded, packages, block->second);
        encoded.Close();
        const size_t mark = input.Format().encoding == Encoding::Windows1252 ? 0 : 2;
        bytes.insert(block->first, text, mark);
    }
    return bytes;
}

} // namespace gameini
