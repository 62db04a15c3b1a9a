// SPDX-License-Identifier: MIT
// The catalogue of reader formats, the selection of input files, and the saved import
// definitions with their file lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_settings.h"
#include "storage/session.h"

namespace qs {

enum class Family { CompuServe, Mail, News };

struct Format {
    int number;
    const char* name;
    Family family;
    const char* mask;  // default mask
};

// Every entry of the catalogue, in number order (free slots included).
const std::vector<Format>& formats();
// The formats offered to the user (no free slots).
std::vector<const Format*> offered_formats();
const Format* format_by_name(std::string_view name);  // exact, trailing blanks ignored
const Format* format_by_number(int number);
const char* family_name(Family f);  // "CompuServe", "mail", "news"
// The format offered first when none is chosen yet ("WinCIM").
inline constexpr int kPreselectedFormat = 17;
// "Outlook Mail" reads the folders of a running Outlook through its automation.
inline constexpr int kOutlookMailFormat = 33;
// Whether Outlook and its automation can be used here; where they cannot, an import of
// "Outlook Mail" behaves as if Outlook were not installed.
bool OutlookInstalled();

// Cuts a mask text at every ";" (pieces of at most 12 characters); in the order written.
std::vector<std::string> split_masks(std::string_view mask_text);

// The files an import reads, in reading order: a directory tree (top directory first, then its
// subdirectories breadth first), one directory, or the selected files. `total_size` receives
// the sum of their sizes; `notes` what was passed over on the way (a directory reached again
// through a link, a link that leads nowhere), for the import log.
std::vector<std::string> expand_selection(const ImportSettings& settings,
                                          uint64_t* total_size = nullptr,
                                          std::vector<std::string>* notes = nullptr);

// Import definitions (BAT) and their file lists (FLI).
BAT definition_from(const ImportSettings& settings, std::string_view description);
ImportSettings settings_from(Session& s, const BAT& definition);  // reads its file list
// What a definition keeps in its file list: the masks of a directory tree or one directory,
// the selected files (or Outlook folders) otherwise.
std::vector<std::string> saved_file_list(const ImportSettings& settings);
// Adds a definition with a new identifier; returns it, 0 on failure (reported).
uint32_t AddImportDefinition(Session& s, BAT definition, const std::vector<std::string>& files);
bool UpdateImportDefinition(Session& s, const BAT& definition,
                            const std::vector<std::string>& files);
bool DeleteImportDefinition(Session& s, uint32_t id);
std::vector<BAT> ImportDefinitions(Session& s);
bool ImportDefinition(Session& s, uint32_t id, BAT& out);
// Saves the wizard's choices as a definition named "Saved from ImportWizard  " + date + time,
// and a task that runs it; returns the definition's identifier.
uint32_t SaveWizardChoices(Session& s, const ImportSettings& settings);

}  // namespace qs
