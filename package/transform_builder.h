#pragma once

#include "changes_file.h"
#include "msi_query.h"
#include "result.h"
#include "transform_format.h"

#include <vector>

// The streams of a transform that changes string cells of rows the package
// already has: a row that only a transform added would outlive the
// uninstallation. codepage is that of the package's string pool.
Result<std::vector<TransformStream>>
BuildTransform(const MsiHandle& database, const TransformChanges& transform, unsigned codepage);
