#include "gameini/ProblemKind.h"

namespace gameini {

std::string_view KindName(ProblemKind kind) {
    switch (kind) {
    case ProblemKind::NoSection:
        return "no-section";
    case ProblemKind::Duplicate:
        return "duplicate";
    case ProblemKind::Blank:
        return "blank";
    case ProblemKind::BadName:
        return "bad-name";
    case ProblemKind::Extension:
        return "extension";
    case ProblemKind::CaseTwins:
        return "case-twins";
    case ProblemKind::Missing:
        return "missing";
    case ProblemKind::NotRead:
        return "not-read";
    case ProblemKind::ActorMissing:
        return "actor-missing";
    case ProblemKind::MissingImport:
        return "missing-import";
    case ProblemKind::ServerOnlyImport:
        return "server-only-import";
    case ProblemKind::NotDownloadable:
        return "not-downloadable";
    case ProblemKind::Damaged:
        return "damaged";
    case ProblemKind::Unreadable:
        return "unreadable";
    case ProblemKind::WorkshopMissing:
        return "workshop-missing";
    case ProblemKind::RedirectMissing:
        return "redirect-missing";
    case ProblemKind::RedirectStale:
        return "redirect-stale";
    case ProblemKind::RedirectOversize:
        return "redirect-oversize";
    case ProblemKind::UrlMissing:
        return "url-missing";
    case ProblemKind::UrlStale:
        return "url-stale";
    case ProblemKind::UrlDamaged:
        return "url-damaged";
    case ProblemKind::UrlError:
        return "url-error";
    }
    return "";
}

} // namespace gameini
