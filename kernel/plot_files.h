#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where saved plots go (docs/plots.md). A test saves a graph under a name of
// its own ("CurrentTuning"); the picture and the data land side by side as
// <directory>/<name>.svg and <directory>/<name>.csv, replacing earlier ones.
namespace kernel {

// The directory set with SetPlotDirectory (the host's --plots), else
// $DRIVESETUP_PLOTS_DIR when set and not empty, else the current directory.
std::filesystem::path PlotDirectory();
// An empty path goes back to the default.
void SetPlotDirectory(std::filesystem::path directory);

// Writes <PlotDirectory()>/<name><extension> completely or not at all. The
// name must be 1 to 100 letters, digits, '_' or '-', so that it cannot reach
// outside the directory. Returns the file, or nothing after reporting the
// cause through the kernel error channel.
std::optional<std::filesystem::path> WritePlotFile(std::string_view name, std::string_view extension,
                                                   std::string_view text);

// Where plot files go instead of the plot directory while it is set: a
// front end that hands them to its person (drivesetup serve). It gets the
// file's name ("CurrentTuning.svg") and text, and returns an empty text once
// it has taken the file, or the cause when it could not. An empty sink sends
// the files to the directory again.
using PlotFileSink = std::function<std::string(const std::string& fileName, std::string_view text)>;
void SetPlotFileSink(PlotFileSink sink);

// The files written since the last ForgetPlotFiles, in the order first
// written; a file written again is listed once.
std::vector<std::filesystem::path> PlotFilesWritten();
void ForgetPlotFiles();

}  // namespace kernel
