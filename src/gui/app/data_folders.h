// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <filesystem>

#include "core/app/data_places.h"

namespace kelodi {

// Where this copy of the program keeps its files, from the executable's
// place, the user's data folder and the installed shared data. Makes the
// recordings folder on the first start of an installed program; what fails
// there is said on stderr, and the program goes on without it.
DataPlaces findDataPlaces();

// Where the passes of practice are kept: "练习记录" in the user's data folder
// (beside the program when the system names none).
std::filesystem::path practiceHistoryFolder();

// Paths between Qt and core: UTF-8 text on both sides.
std::filesystem::path toPath(const QString& path);
QString fromPath(const std::filesystem::path& path);

}  // namespace kelodi
