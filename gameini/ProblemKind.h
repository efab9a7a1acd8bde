#pragma once

#include <string_view>

namespace gameini {

// Every kind of problem check reports. Machines read a problem by its kind's
// name (--json, the Ansible collection), so a name never changes; the
// manual page lists them all.
enum class ProblemKind {
    NoSection,
    Duplicate,
    Blank,
    BadName,
    Extension,
    CaseTwins,
    Missing,
    NotRead,
    ActorMissing,
    MissingImport,
    ServerOnlyImport,
    NotDownloadable,
    Damaged,
    Unreadable,
    WorkshopMissing,
    RedirectMissing,
    RedirectStale,
    RedirectOversize,
    UrlMissing,
    UrlStale,
    UrlDamaged,
    UrlError,
};

// The kind's name: "redirect-missing".
std::string_view KindName(ProblemKind kind);

} // namespace gameini
