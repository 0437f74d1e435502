#pragma once

#include "result.h"
#include "transform_format.h"

#include <string>
#include <vector>

// Compound files read and written through COM's structured storage; the
// caller has initialised COM.

// The codepage of the package's string pool, which a transform's pool shares.
Result<unsigned> ReadPackageCodepage(const std::wstring& msiPath);

// A transform file: the streams in a storage that carries the transform class.
Result<void> WriteTransformFile(const std::wstring& path,
                                const std::vector<TransformStream>& streams);
