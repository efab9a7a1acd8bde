// Any bytes as a redirect folder's manifest or journal, which anyone who may
// write the folder can plant: the reader never throws, and what it takes in
// is written and read back the same.

#include "FuzzFile.h"
#include "gameini/GamePath.h"
#include "redirect/Manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string folder = ScratchFolder();
    const bool journal = bytes.starts_with('\x01'); // else the manifest
    Store(gameini::InFolder(folder, redirect::kManifestName), journal ? "" : bytes);
    Store(gameini::InFolder(folder, redirect::kJournalName), journal ? bytes : "");
    const std::map<std::string, redirect::ManifestEntry> read = redirect::ReadManifest(folder);
    Store(gameini::InFolder(folder, redirect::kManifestName), redirect::ManifestText(read));
    Store(gameini::InFolder(folder, redirect::kJournalName), "");
    Check(redirect::ReadManifest(folder) == read,
          "what was read is written and read back the same");
    return 0;
}
