// Embeds Windows Installer transforms in an MSI package. Neither Wine nor
// msitools can generate a transform, so this tool writes them itself: each
// only changes string cells of rows that the package already has, and is
// stored in the package's _Storages table under its name.
//
// The package itself is only replaced, never edited: the transforms are
// embedded and committed into a copy in the package's folder, each of them is
// then applied to that copy by its ":name" reference and every changed cell
// is read back, and only when all of it holds does the copy take the
// package's place. On any failure the copy is removed and the package keeps
// its bytes.
//
// Usage: embed_transforms <package.msi> <changes file>
// The changes file is UTF-8 text, one change per line, five fields separated
// by tabs: transform name, table, primary key value, column, new value.
#include "changes_file.h"
#include "embed.h"
#include "text.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: embed_transforms <package.msi> <changes file>\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        fprintf(stderr, "embed_transforms: COM is not available\n");
        return 1;
    }
    const Result<std::vector<TransformChanges>> transforms = ReadChangesFile(argv[2]);
    const Result<void> embedded = transforms ? EmbedTransforms(argv[1], *transforms)
                                             : Result<void>(Failure{transforms.Error()});
    if (embedded) {
        for (const TransformChanges& transform : *transforms) {
            printf("embed_transforms: :%s changes %u cells\n", Utf8(transform.name).c_str(),
                   static_cast<unsigned>(transform.changes.size()));
        }
    } else {
        fprintf(stderr, "embed_transforms: %s: %s\n", Utf8(argv[1]).c_str(),
                embedded.Error().c_str());
    }
    CoUninitialize();
    return embedded ? 0 : 1;
}
