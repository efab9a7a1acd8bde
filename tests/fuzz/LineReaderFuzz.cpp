// Any bytes, read line by line and written back in the format they were read
// in: a file whose every line ends in CR LF comes back byte for byte, and any
// other comes back as the framing rules say.

#include "Error.h"
#include "FuzzFile.h"
#include "SequentialFile.h"

#include <vector>

using gameini::SequentialFile;

namespace {

bool StartsAsUtf16(std::string_view bytes) {
    return bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                 (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

// What writing every line back gives for a Windows-1252 file.
std::string ExpectedCopy(std::string_view bytes) {
    const bool lineFeedsOnly =
        bytes.find('\r') == std::string_view::npos && bytes.find('\n') != std::string_view::npos;
    if (lineFeedsOnly)
        return std::string(bytes) + (bytes.back() == '\n' ? "" : "\n");
    std::string expected;
    for (size_t i = 0; i < bytes.size(); ++i) {
        expected += bytes[i];
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            expected += '\n'; // a lone carriage return becomes CR LF
    }
    if (!expected.empty() && !expected.ends_with("\r\n"))
        expected += "\r\n"; // the last line gains a line end
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string in = ScratchFolder() + "/in.ini", out = ScratchFolder() + "/out.ini";
    Store(in, bytes);
    try {
        SequentialFile input = SequentialFile::OpenInput(in);
        SequentialFile output = SequentialFile::OpenOutput(out, input.Format());
        while (!input.AtEnd())
            output.WriteLine(input.ReadLine());
        output.Close();
        input.Close();
    } catch (const gameini::FileError&) {
        Check(StartsAsUtf16(bytes) && size % 2 == 1, "only an odd-sized UTF-16 file is refused");
        return 0;
    }
    const std::string copy = Load(out);
    if (StartsAsUtf16(bytes)) {
        const bool bigEndian = bytes[0] == '\xFE';
        std::vector<char16_t> units;
        for (size_t i = 2; i + 1 < size; i += 2)
            units.push_back(static_cast<char16_t>(bigEndian ? data[i] << 8 | data[i + 1]
                                                            : data[i + 1] << 8 | data[i]));
        bool everyLineEndsInCrLf = units.empty() || (units.size() >= 2 && units.back() == u'\n' &&
                                                     units[units.size() - 2] == u'\r');
        for (size_t i = 0; i < units.size(); ++i)
            if (units[i] == u'\r')
                everyLineEndsInCrLf =
                    everyLineEndsInCrLf && i + 1 < units.size() && units[i + 1] == u'\n';
        if (everyLineEndsInCrLf)
            Check(copy == bytes, "a UTF-16 file with CR LF after every line comes back whole");
        return 0;
    }
    Check(copy == ExpectedCopy(bytes), "a Windows-1252 file comes back as the framing rules say");
    return 0;
}
