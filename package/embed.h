#pragma once

#include "changes_file.h"
#include "result.h"

#include <string>
#include <vector>

// Embeds each transform in the package's _Storages table under its name,
// commits the package, and then proves each transform's effect on it.
// The caller has initialised COM.
Result<void> EmbedTransforms(const std::wstring& msiPath,
                             const std::vector<TransformChanges>& transforms);
