#pragma once

#include "changes_file.h"
#include "result.h"

#include <string>
#include <vector>

// Embeds each transform in the package's _Storages table under its name and
// proves its effect on a copy beside the package, which replaces the package
// only when every transform was embedded and every changed cell reads back as
// intended; otherwise the package is left as it was and the copy removed.
// The caller has initialised COM.
Result<void> EmbedTransforms(const std::wstring& msiPath,
                             const std::vector<TransformChanges>& transforms);
