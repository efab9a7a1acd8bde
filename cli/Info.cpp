#include "cli/Commands.h"
#include "cli/Json.h"
#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/PackageFile.h"
#include "redirect/Uz2.h"

#include <cstring>
#include <iostream>

namespace cli {

namespace {

void PrintText(std::ostream& out, const std::string& file, const gameini::PackageFacts& facts) {
    out << file << "\n  tag         " << gameini::TagText(facts.tag) << "\n  version     "
        << facts.version << "\n  licensee    " << facts.licensee << "\n  flags      ";
    for (const std::string& flag : gameini::FlagNames(facts.flags))
        out << " " << flag;
    out << "\n  guid        " << (facts.guid.empty() ? "(none)" : facts.guid) << "\n";
    for (size_t i = 0; i < facts.generations.size(); ++i)
        out << "  generation  " << i + 1 << ": " << facts.generations[i].exports << " exports, "
            << facts.generations[i].names << " names\n";
    for (const std::string& import : facts.imports)
        out << "  imports     " << import << "\n";
}

// A package file, or the package inside a .uz2; one that cannot be read is
// damage with its errno, so that the files after it are still read.
gameini::PackageRead ReadAnyPackage(const std::string& file) {
    if (!redirect::IsUz2FileName(file))
        return gameini::ReadPackageFile(file);
    try {
        return redirect::ReadUz2Package(file);
    } catch (const gameini::FileError& error) {
        return gameini::PackageDamage{std::strerror(error.number()), error.number()};
    } catch (const gameini::DamageError& error) {
        return gameini::PackageDamage{error.what()};
    }
}

} // namespace

void AddInfoCommand(CLI::App& app, Context& context) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* info = app.add_subcommand(
        "info",
        "FILE...: print what package files say of themselves: version, flags, GUID, generations "
        "and the packages they import");
    info->add_option(
            "FILE", *files,
            "A package file (Engine.u, BaseDialog.uax), or a compressed one (Engine.u.uz2)")
        ->type_name("FILE")
        ->required();
    OnRun(*info, context, [&context, files] {
        ExitStatus status = kDone;
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const std::string& given : *files) {
            // As the other commands do, a file is found from -C's folder.
            const std::string file = gameini::RootLength(given) > 0
                                         ? given
                                         : gameini::InFolder(context.ConfigurationFolder(), given);
            const gameini::PackageRead read = ReadAnyPackage(file);
            if (const auto* damage = std::get_if<gameini::PackageDamage>(&read)) {
                status = kFileError;
                const std::string error =
                    damage->error != 0 ? "cannot be read (" + damage->reason + ")"
                                       : "not a package file or damaged (" + damage->reason + ")";
                if (context.json)
                    list.push_back(nlohmann::ordered_json{{"file", file}, {"error", error}});
                else
                    context.err << "sarvelin-cli: " << file << (damage->error != 0 ? " " : " is ")
                                << error << "\n";
            } else if (context.json) {
                list.push_back(nlohmann::ordered_json{{"file", file}});
                list.back().update(PackageJson(read));
            } else {
                PrintText(context.out, file, std::get<gameini::PackageFacts>(read));
            }
        }
        if (context.json)
            context.PrintResult(list);
        return status;
    });
}

} // namespace cli
