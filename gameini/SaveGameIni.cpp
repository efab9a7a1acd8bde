#include "gameini/SaveGameIni.h"

#include "gameini/Error.h"
#include "gameini/GamePath.h"
#include "gameini/Ownership.h"
#include "gameini/ReplaceWithBackup.h"

#include <cerrno>
#include <stdexcept>

namespace gameini {
namespace {

using Version = RewritePlan::Version;

// Writes one version of the configuration as a new file.
void WriteNewFile(FileSystem& fileSystem, const std::string& path, const RewritePlan& rewrite,
                  Version version) {
    FileDescriptor file = fileSystem.CreateFresh(path);
    rewrite.Write(version, [&](std::string_view piece) { fileSystem.Write(file, piece, path); });
    fileSystem.Close(std::move(file), path);
}

// Saves by writing a new file and putting it in the configuration's place.
void SaveByReplacing(const ConfigurationFiles& files, const RewritePlan& rewrite,
                     FileSystem& fileSystem) {
    MadeFile work(fileSystem, files.work);
    WriteNewFile(fileSystem, files.work, rewrite, Version::After);
    const FileDescriptor incoming = HoldIncoming(files.work, fileSystem);
    work.Keep(); // from here on, ReplaceWithBackup's to remove
    ReplaceWithBackup(files, fileSystem);
}

} // namespace

SaveResult SaveGameIni(const LockedConfiguration& configuration, const EditPackages& edit,
                       SaveOptions options, FileSystem& fileSystem) {
    if (options.mode != SaveMode::DryRun && configuration.GetAccess() != Access::Write)
        throw std::logic_error("a save needs the configuration locked for writing");
    const ConfigurationFiles& files = configuration.Files();
    const RewritePlan rewrite = PlanRewrite(files.config, edit);
    SaveResult result;
    result.file = AbsolutePath(files.config);
    result.changed = rewrite.Changed();
    result.before = rewrite.Before();
    result.after = rewrite.After();
    if (options.mode == SaveMode::DryRun || options.keepChangedPart)
        result.changedPart = rewrite.ChangedPart(kDiffContext);
    if (options.mode == SaveMode::DryRun)
        return result;
    if (options.mode == SaveMode::WhenChanged && !result.changed)
        return result;

    RefuseCaseVariants(files);
    RefuseUnfinishedSave(files, fileSystem);
    const std::optional<Owner> ownerBefore = OwnerOf(files.config);
    if (files.inPlace == InPlace::No && !options.mayChangeOwner)
        if (const auto problem = OwnershipProblem(files))
            throw OwnershipError(*problem);
    result.written = true;
    result.inPlace = files.inPlace;
    result.backup = AbsolutePath(files.backup);
    if (files.inPlace != InPlace::No) {
        ReplaceInPlace(files, rewrite.Bytes(Version::Before), rewrite.Bytes(Version::After),
                       fileSystem);
        return result;
    }
    try {
        SaveByReplacing(files, rewrite, fileSystem);
    } catch (const FileError& error) {
        if (!RefusedAsMountPoint(error) || !ExistsNotFollowingLinks(files.config) ||
            ExistsNotFollowingLinks(files.work))
            throw;
        ReplaceInPlace(files, rewrite.Bytes(Version::Before), rewrite.Bytes(Version::After),
                       fileSystem);
        result.inPlace = InPlace::MountPoint;
        return result;
    }
    result.file = AbsolutePath(files.saved);
    if (const std::optional<Owner> ownerAfter = OwnerOf(files.saved);
        ownerBefore && ownerAfter && ownerAfter != ownerBefore)
        result.ownerChange = NameOf(files.saved) + " now belongs to " + ownerAfter->Text() +
                             "; it belonged to " + ownerBefore->Text();
    return result;
}

} // namespace gameini
