#include "cli/Json.h"

#include <iostream>

namespace cli {

nlohmann::ordered_json TextOrNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

void PrintJson(std::ostream& out, const nlohmann::ordered_json& json) {
    out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

nlohmann::ordered_json PackageJson(const gameini::PackageRead& read) {
    if (const auto* damage = std::get_if<gameini::PackageDamage>(&read))
        return {{"damaged", damage->reason}};
    const auto& facts = std::get<gameini::PackageFacts>(read);
    nlohmann::ordered_json generations = nlohmann::ordered_json::array();
    for (const gameini::PackageFacts::Generation& generation : facts.generations)
        generations.push_back({{"exports", generation.exports}, {"names", generation.names}});
    return {{"tag", gameini::TagText(facts.tag)},
            {"version", facts.version},
            {"licensee", facts.licensee},
            {"flags", gameini::FlagNames(facts.flags)},
            {"guid", TextOrNull(facts.guid)},
            {"generations", generations},
            {"imports", facts.imports}};
}

} // namespace cli
