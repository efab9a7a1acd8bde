#include "gameini/SequentialFile.h"
#include "gameini/CodePage.h"
#include "gameini/Error.h"
#include "gameini/TextCase.h"
#include "support/ErrorOf.h"
#include "support/LineWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

using namespace gameini;

namespace {

std::vector<std::string> ReadAllLines(const std::string& path, TextFormat* format = nullptr) {
    SequentialFile file = SequentialFile::OpenInput(path);
    std::vector<std::string> lines;
    while (!file.AtEnd())
        lines.emplace_back(file.ReadLine());
    if (format)
        *format = file.Format();
    file.Close();
    return lines;
}

// Reads a file and writes every line back as it was read.
std::string CopyLineByLine(const TempFolder& folder, const std::string& bytes) {
    folder.write("in.ini", bytes);
    SequentialFile input = SequentialFile::OpenInput(folder / "in.ini");
    LineWriter output(input.Format());
    while (!input.AtEnd()) {
        std::string line(input.ReadLine());
        output.WriteLine(line, input.LastLineEnd());
    }
    input.Close();
    return output.Bytes();
}

} // namespace

TEST(SequentialFile, EndsLinesWhereTheGameEndsThem) {
    using Lines = std::vector<std::pair<std::string, LineEnd>>;
    constexpr LineEnd CrLf = LineEnd::CrLf, Cr = LineEnd::Cr, Lf = LineEnd::Lf,
                      None = LineEnd::None;
    const struct {
        const char* name;
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"CR LF after every line", "a\r\nb\r\n", {{"a", CrLf}, {"b", CrLf}}},
        {"empty lines", "\r\n\r\nx\r\n", {{"", CrLf}, {"", CrLf}, {"x", CrLf}}},
        {"LF-only line in a CR LF file",
         "[Engine.GameEngine]\r\nServerPackages=Engine\nServerActors=Keep.Me\r\n",
         {{"[Engine.GameEngine]", CrLf},
          {"ServerPackages=Engine", Lf},
          {"ServerActors=Keep.Me", CrLf}}},
        {"one CR LF line in an LF file",
         "[Engine.GameEngine]\nServerPackages=A\nX=1\r\nY=2\n",
         {{"[Engine.GameEngine]", Lf}, {"ServerPackages=A", Lf}, {"X=1", CrLf}, {"Y=2", Lf}}},
        {"lone CR ends a line", "a\rb", {{"a", Cr}, {"b", None}}},
        {"CR before CR LF", "a\r\r\nb\n\r", {{"a", Cr}, {"", CrLf}, {"b", Lf}, {"", Cr}}},
        {"last line without line end", "a\r\nlast", {{"a", CrLf}, {"last", None}}},
        {"empty file", "", {}},
        {"end-of-file character is ordinary", "a\x1A\r\n\x1A", {{"a\x1A", CrLf}, {"\x1A", None}}},
        {"UTF-8 mark is read as Windows-1252", "\xEF\xBB\xBFx\r\n", {{"ï»¿x", CrLf}}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        folder.write("f.ini", c.bytes);
        SequentialFile file = SequentialFile::OpenInput(folder / "f.ini");
        Lines lines;
        while (!file.AtEnd()) {
            std::string line(file.ReadLine());
            lines.emplace_back(line, file.LastLineEnd());
        }
        EXPECT_EQ(lines, c.lines) << c.name;
        EXPECT_EQ(file.Format().encoding, Encoding::Windows1252) << c.name;
    }
}

TEST(SequentialFile, ReadsUtf16WithEitherByteOrderMark) {
    TempFolder folder;
    folder.write("le.ini", std::string("\xFF\xFE"
                                       "a\0\x16\x04\r\0\n\0b\0",
                                       12));
    folder.write("be.ini", std::string("\xFE\xFF"
                                       "\0a\x04\x16\0\r\0\n\0b",
                                       12));
    for (auto [name, encoding] :
         {std::pair{"le.ini", Encoding::Utf16LE}, {"be.ini", Encoding::Utf16BE}}) {
        TextFormat format;
        EXPECT_EQ(ReadAllLines(folder / name, &format), (std::vector<std::string>{"aЖ", "b"}));
        EXPECT_EQ(format.encoding, encoding);
    }
    folder.write("odd.ini", std::string("\xFF\xFE"
                                        "a\0b",
                                        5));
    EXPECT_NE(ErrorOf([&] { ReadAllLines(folder / "odd.ini"); }).find("odd number of bytes"),
              std::string::npos);
    // It opens, as any file does, and the lines before the half character read.
    folder.write("odd2.ini", std::string("\xFF\xFE"
                                         "a\0\r\0\n\0b",
                                         9));
    SequentialFile odd = SequentialFile::OpenInput(folder / "odd2.ini");
    EXPECT_EQ(odd.ReadLine(), "a");
    EXPECT_NE(ErrorOf([&] { odd.AtEnd(); }).find("odd number of bytes"), std::string::npos);
}

TEST(SequentialFile, CopyingLineByLineKeepsEveryByte) {
    TempFolder folder;
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            everyByte += static_cast<char>(b);
    const std::string crlf = everyByte + "\r\n" + everyByte + "\r\n";
    EXPECT_EQ(CopyLineByLine(folder, crlf), crlf);

    const std::string lf = "[Engine.GameEngine]\nServerPackages=Engine\n" + everyByte + "\n";
    EXPECT_EQ(CopyLineByLine(folder, lf), lf);

    // UTF-16 keeps its mark and characters outside Windows-1252, and even a
    // lone surrogate.
    const std::string utf16("\xFF\xFE"
                            "\x16\x04"
                            "\x3D\xD8\x00\xDE"
                            "\x00\xD8"
                            "\r\0\n\0",
                            14);
    EXPECT_EQ(CopyLineByLine(folder, utf16), utf16);
    const std::string utf16be("\xFE\xFF"
                              "\x04\x16"
                              "\0\r\0\n",
                              8);
    EXPECT_EQ(CopyLineByLine(folder, utf16be), utf16be);
}

TEST(SequentialFile, CopyingKeepsEveryLineEnd) {
    TempFolder folder;
    for (const char* bytes : {"a\r\nlast", "a\rb\r", "a\nb\rc\r\n", ""})
        EXPECT_EQ(CopyLineByLine(folder, bytes), bytes);
}

TEST(EncodeLine, RefusesCharactersTheEncodingCannotStore) {
    LineWriter out;
    EXPECT_EQ(ErrorOf([&] { out.WriteLine("ServerPackages=Жара"); }),
              "the character \"Ж\" cannot be stored in Windows-1252");
    EXPECT_NE(
        ErrorOf([&] { out.WriteLine("bad \xFF byte"); }).find("the byte 0xFF (not valid UTF-8)"),
        std::string::npos);
    EXPECT_NE(ErrorOf([&] {
                  out.WriteLine("NEL \u0085 is a C1 control");
              }).find("the character \"\u0085\""),
              std::string::npos)
        << "U+0080..U+009F are no Windows-1252 characters but the five undefined bytes";
    out.WriteLine("€ and the undefined \u0081\u008D\u008F\u0090\u009D bytes");
    EXPECT_EQ(out.Bytes(), "\x80 and the undefined \x81\x8D\x8F\x90\x9D bytes\r\n");
}

TEST(SequentialFile, FailuresNameTheFileAndCreateNothing) {
    TempFolder folder;
    EXPECT_EQ(ErrorOf([&] { SequentialFile::OpenInput(folder.path() + "/postal2.ini"); }),
              "Cannot open " + (folder / "postal2.ini") +
                  " for reading: No such file or directory");
    EXPECT_FALSE(folder.exists("postal2.ini"));

#ifndef _WIN32 // no FIFO stands in a Windows folder
    ASSERT_EQ(mkfifo((folder / "postal2.ini").c_str(), 0644), 0);
    EXPECT_EQ(ErrorOf([&] { SequentialFile::OpenInput(folder / "postal2.ini"); }),
              "Cannot open " + (folder / "postal2.ini") + " for reading: it is not a regular file");
#endif

    std::filesystem::create_directory(folder / "dir.ini");
    EXPECT_NE(
        ErrorOf([&] { SequentialFile::OpenInput(folder / "dir.ini"); }).find("it is a folder"),
        std::string::npos);

    folder.write("one.ini", "x");
    SequentialFile file = SequentialFile::OpenInput(folder / "one.ini");
    file.ReadLine();
    EXPECT_THROW(file.ReadLine(), std::logic_error) << "reading past the end is the caller's fault";
    EXPECT_THROW(SequentialFile::OpenInput(folder / "dir.ini"), gameini::DamageError);
}

TEST(SequentialFile, FindsNamesWithoutRegardToLetterCase) {
    TempFolder folder;
    folder.write("POSTAL2.INI", "upper\r\n");
    EXPECT_EQ(ReadAllLines(folder.path() + "/postal2.ini")[0], "upper");
    EXPECT_EQ(ReadAllLines(folder.path() + "//postal2.ini")[0], "upper");
    folder.write("postal2.ini", "exact\r\n");
    EXPECT_EQ(ReadAllLines(folder.path() + "/postal2.ini")[0], "exact") << "an exact match wins";
    folder.write("Postal2.ini", "as saved\r\n");
    EXPECT_EQ(ReadAllLines(folder.path() + "/postal2.ini")[0], "as saved")
        << "the name the game reads and a save writes wins over all";

    folder.write("Other.ini", "capital\r\n");
    folder.write("OTHER.INI", "upper\r\n");
    EXPECT_EQ(ReadAllLines(folder.path() + "/other.ini")[0], "upper") << "first in byte order";
    folder.write("ÀNDERE.INI", "windows capitals too\r\n");
    EXPECT_EQ(ReadAllLines(folder.path() + "/àndere.ini")[0], "windows capitals too");
}

TEST(TextCase, LowerCasesAsciiAndWindows1252Capitals) {
    EXPECT_EQ(LowerCase("[Engine.GameEngine] ServerPackages=X"),
              "[engine.gameengine] serverpackages=x");
    EXPECT_EQ(LowerCase("ÀÉÞ×ŠŒŽŸ"), "àéþ×šœžÿ");
    EXPECT_EQ(LowerCase("ЖΣ äß\xFF\xC3"), "ЖΣ äß\xFF\xC3") << "others left alone";
}

TEST(TextCase, LowerCasesEveryAsciiByteAsOneByOneWould) {
    std::string every;
    for (int b = 1; b < 128; ++b)
        every += static_cast<char>(b);
    std::string expected = every;
    for (char& c : expected)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (size_t offset = 0; offset < 8; ++offset) // words at every alignment
        EXPECT_EQ(LowerCase(every.substr(offset)), expected.substr(offset));
    EXPECT_EQ(LowerCase("ABCDEFGÀ"
                        "ABCDEFGH"
                        "Ÿ"),
              "abcdefgà"
              "abcdefgh"
              "ÿ");
}

TEST(CodePage, DecodesTheHighControlBytesToTheirPublishedCharacters) {
    std::string bytes, text;
    for (int b = 0x80; b <= 0x9F; ++b)
        bytes += static_cast<char>(b);
    gameini::DecodeWindows1252(bytes, text);
    EXPECT_EQ(text, "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
}

TEST(CodePage, ConvertsALetterOutsideAsciiWhereverItStands) {
    const std::string ascii = "ServerPackages=Engine";
    for (size_t at = 0; at <= ascii.size(); ++at) {
        // Joined, not inserted: GCC 12 at -O2 warns of insert here (bug 105329).
        const std::string bytes = ascii.substr(0, at) + "\xC4" + ascii.substr(at);
        std::string text;
        gameini::DecodeWindows1252(bytes, text);
        const std::string expected = ascii.substr(0, at) + "Ä" + ascii.substr(at);
        EXPECT_EQ(text, expected) << "at " << at;
        std::string back;
        EXPECT_FALSE(gameini::EncodeWindows1252(text, back));
        EXPECT_EQ(back, bytes) << "at " << at;
    }
}

TEST(SequentialFile, LineEndsAcrossTheReadAheadStayWhole) {
    // Reading ahead goes in chunks of 256 KiB; put a CR LF on every side of
    // the first boundary, with a long line and short ones around it.
    TempFolder folder;
    for (size_t at = 262140; at <= 262148; ++at) {
        const std::string first(at, 'x');
        const std::string bytes = first + "\r\nnext\r\n" + std::string(300000, 'y') + "\rlast";
        folder.write("f.ini", bytes);
        EXPECT_EQ(ReadAllLines(folder / "f.ini"),
                  (std::vector<std::string>{first, "next", std::string(300000, 'y'), "last"}))
            << "CR LF at " << at;
    }
}

TEST(SequentialFile, SkippingFindsTheLinesAndNumbersReadingEveryLineFinds) {
    using Numbered = std::vector<std::pair<size_t, std::string>>;
    const ByteSet wanted("[Ss");
    auto skipping = [&](const std::string& path) {
        SequentialFile file = SequentialFile::OpenInput(path);
        Numbered lines;
        while (file.SkipToLineStartingWith(wanted)) {
            std::string line(file.ReadLine());
            lines.emplace_back(file.LineNumber(), line);
        }
        return lines;
    };
    auto filtering = [&](const std::string& path) {
        Numbered lines;
        size_t number = 0;
        for (const std::string& line : ReadAllLines(path))
            if (++number, !line.empty() && wanted.Contains(line[0]))
                lines.emplace_back(number, line);
        return lines;
    };
    // Every kind of line end on either side of the 64-byte blocks the skip
    // looks at, and of the first 256 KiB chunk.
    const std::string lines = "[a]\r\nb\r\n\r\n[c]\rSd\n[e]\n\r\ns\r\r\n[f]\n\n\r\r[g]";
    std::vector<size_t> pads;
    for (size_t pad = 0; pad < 140; ++pad)
        pads.push_back(pad);
    for (size_t pad = 262130; pad < 262150; ++pad)
        pads.push_back(pad);
    TempFolder folder;
    for (size_t pad : pads)
        for (const char* end : {"\r\n", "\r", "\n"}) {
            folder.write("f.ini", std::string(pad, 'x') + end + lines + end + lines);
            EXPECT_EQ(skipping(folder / "f.ini"), filtering(folder / "f.ini")) << pad;
        }
}
