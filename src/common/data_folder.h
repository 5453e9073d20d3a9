// SPDX-License-Identifier: MIT
// Where the program writes its data files (capture files, datalogs): the folder that holds the
// program, when the user may write there and it is not one of the system's program folders, else
// the current working directory. An installed program run as root could write into /usr/bin, but
// data does not belong there; a program unpacked or built in the user's own folder keeps its data
// beside it. The configuration file is not a data file: it stays in the working directory.
#pragma once

#include <QString>

#include <functional>

namespace talvix::common {

// The decision, for tests: `program_folder` and `working_folder` are absolute paths;
// `writable` says whether a folder accepts new files.
QString ChooseDataFolder(const QString& program_folder, const QString& working_folder,
                         const std::function<bool(const QString& folder)>& writable);

// The data folder of this run (absolute, without a trailing '/').
QString DataFolder();

}  // namespace talvix::common
