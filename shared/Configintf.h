// TTidewashConfig: the cleanup settings, as the cleanup handler and the
// configuration server see them, kept in the settings file TWS.cfg.
#pragma once

#include <map>

#include "System.hpp"
#include "Zelmanagedconfig.h"
#include "Zelstringlistadaptor.h"

namespace tws {

using zelcore::TStringListAdaptor;

// The settings file's name; it lives in the installation folder.
inline const AnsiString ConfigFileName = "TWS.cfg";

// The identifiers of the settings.
//   FilesActiveMasks     list  the file masks the scan looks for, in scan order;
//                              default *.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak
//   FilesDeleteHidden    bool  the purge may delete hidden files; default false
//   FilesDeleteReadOnly  bool  the purge may delete read-only files; default false
//   FilesUseRecycleBin   bool  purged files go to the trash; default true
//   VolumesExcluded      list  volume roots the cleanup skips; default empty
//   MaskExcludedFolders  map   the stored form of the excluded folders; use
//                              the excluded-folder operations instead
inline const AnsiString IdFilesActiveMasks = "FilesActiveMasks";
inline const AnsiString IdFilesDeleteHidden = "FilesDeleteHidden";
inline const AnsiString IdFilesDeleteReadOnly = "FilesDeleteReadOnly";
inline const AnsiString IdFilesUseRecycleBin = "FilesUseRecycleBin";
inline const AnsiString IdVolumesExcluded = "VolumesExcluded";
inline const AnsiString IdMaskExcludedFolders = "MaskExcludedFolders";
inline const AnsiString DefaultActiveMasks = "*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak";

// The flag settings by number (the configuration server passes these on).
enum class TFlagSetting { fsDeleteHidden = 0, fsDeleteReadOnly = 1, fsUseRecycleBin = 2 };
// The list settings by number.
enum class TStringsSetting { ssActiveMasks = 0, ssExcludedVolumes = 1 };

// File mask (exact, case-sensitive) -> that mask's excluded-folder entries.
// An entry is a folder path followed by "=0" (that folder only) or "=1" (the
// folder with all its subfolders).
using TExcludedFoldersMap = std::map<AnsiString, TStringListAdaptor>;

// The settings in memory. Life cycle: construct, DefineSchema once, then any
// number of Load, reads, changes and Save; changes stay in memory until Save.
//
// TWS.cfg is an INI file in the nested layout, as Save writes it:
//
//   [Files]
//   ActiveMasks="*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak"
//   DeleteHidden=0
//   DeleteReadOnly=0
//   UseRecycleBin=1
//
//   [Files/Excluded]
//   *.obj="/work/lib=1,/tmp=0"
//
//   [Volumes]
//   Excluded=""
//
// Lists are stored as their comma text in double quotes; [Files/Excluded]
// holds one key per file mask that has entries, valued with the quoted comma
// text of the entries, and is there empty when no mask has any. Sections and
// keys the settings do not define are ignored and kept.
//
// A file that is there is never half read and never read as the defaults
// instead. It must be whole: it holds every key above ([Files] ActiveMasks,
// DeleteHidden, DeleteReadOnly, UseRecycleBin, [Volumes] Excluded) and the
// [Files/Excluded] section, in any order, because a file that another
// program is rewriting in place, or that a crash cut short, is one that
// lacks some of them. Within a whole file, what a value may hold is decided
// by what a default would do: a default that can only make the cleanup
// delete less or more carefully is taken, one that could make it select
// more is refused.
//   taken:    a flag whose text is not an integer (the flags' defaults delete
//             nothing hidden or read-only and use the trash), unknown
//             sections and keys, comment lines, LF or CRLF line ends, a last
//             line without a line end unless it is refused below
//   refused:  an empty file; a missing key or [Files/Excluded]; NUL bytes
//             (not a text file); a list value (ActiveMasks, [Volumes]
//             Excluded, any key of [Files/Excluded]) that is not comma text,
//             such as an unclosed double quote; a list value on a last
//             line without a line end (it may be cut short, and the quotes
//             around a list cannot tell: the items' own are not escaped);
//             a line of [Files/Excluded] that is
//             neither name=value, blank nor a comment (; or #);
//             [Files/Excluded] twice
// A refused file raises EConfigFileDamaged naming the file and the reason.
// (Earlier versions left [Files/Excluded] out when no folder was excluded:
// such a file is refused too, as it cannot be told from one cut short
// before that section; adding the empty section, or saving the settings
// after removing the file, makes it whole.)
//
// TWS.cfg is opened as a name, never through a symbolic link, and must be a
// regular file of at most 16 MiB (vcl::TLockedFile): a link, also one that
// leads nowhere, a FIFO or a device is refused as a file that cannot be read.
//
// The accessors raise the configuration tree's exceptions when the schema is
// missing ("Identifier does not exist: ...").
class TTidewashConfig : public zelconfig::TManagedConfig {
public:
    TTidewashConfig();
    ~TTidewashConfig() override;

    // Creates the settings with their defaults. A second call fails with
    // "TManagedConfig Section already exists: Files".
    void DefineSchema();

    // Every setting takes the file's value and the excluded folders are
    // rebuilt from the file. The file is read once, under its shared lock,
    // so a save running at the same time is seen whole or not at all. A
    // file that does not exist means the defaults and is not created (the
    // first Save creates it). A file that exists but cannot be read (also a
    // link, a special file or one over the size limit) raises EFOpenError or
    // EReadError, one that is not whole or is damaged (see above)
    // EConfigFileDamaged; either way the settings are left as they were.
    // Returns true.
    bool Load(const AnsiString& fileName);
    // Writes every setting and the excluded folders (masks with no entries
    // are left out, [Files/Excluded] stays as an empty section). Masks and
    // values an INI file cannot hold are refused before anything is written:
    //   "Invalid file mask for excluded folders: <mask>"  empty, "=", a
    //       leading "[", surrounding blanks or a line break
    //   "Excluded folders are set for masks that differ only in case: <mask>"
    //   "Setting holds a line break: <identifier>"
    //   "Excluded folder entry holds a line break: <mask>"
    // The new file is made whole in memory, from the file as it is (its
    // other sections, keys, comments and line ends are kept; [Volumes] is
    // moved after [Files/Excluded], so that a cut anywhere in the folder
    // lists takes a required key with it), and replaces it once, under the
    // file's exclusive lock: a reader or a crash sees the old or the new
    // file. A missing file is created, never through a link or over a file
    // that appeared meanwhile. File errors propagate (a file the caller may
    // not write, a link, see IniFiles.hpp). Returns true.
    bool Save(const AnsiString& fileName);

    bool GetFlag(TFlagSetting which) const;
    void SetFlag(TFlagSetting which, bool value);

    // out receives a copy of the list.
    void GetStrings(TStringsSetting which, TStringListAdaptor& out) const;
    AnsiString GetStringsText(TStringsSetting which) const;  // comma text
    // The list becomes the items of the comma text.
    void SetStringsText(TStringsSetting which, const AnsiString& commaText);

    // Removes the first active mask equal to mask ignoring case; nothing
    // happens when there is none. The mask's excluded folders stay.
    void DeleteActiveMask(const AnsiString& mask);

    // out is cleared, then receives the entries of exactly that mask.
    void GetExcludedFolders(const AnsiString& mask, TStringListAdaptor& out) const;
    // The mask's entry list (created when absent) becomes a copy of entries.
    void SetExcludedFolders(const AnsiString& mask, const TStringListAdaptor& entries);
    // Every mask with its entries, in mask order.
    const TExcludedFoldersMap& GetExcludedFoldersMap() const { return FExcludedFolders; }

private:
    static const AnsiString& Identifier(TFlagSetting which);
    static const AnsiString& Identifier(TStringsSetting which);
    void CheckStorable() const;

    TExcludedFoldersMap FExcludedFolders;
};

// The entries of one mask made from two folder lists: the folders excluded
// alone, each followed by "=0", then those excluded with their subfolders,
// each followed by "=1".
TStringListAdaptor MakeExcludedFolderEntries(const TStrings& folders, const TStrings& foldersWithSub);

// One excluded-folder entry as everyone reads it. The value is the text
// after the last "=", so a folder whose name holds "=" (/src/a=b=1) keeps
// it. Integer 1 means with subfolders and any other integer that folder
// alone; an empty value, or one that is not an integer, means with
// subfolders, the reading that spares the most. An entry without "=" is the
// folder alone as a path, with subfolders.
struct TExcludedFolderEntry {
    AnsiString Folder;
    bool WithSubfolders = true;
};
TExcludedFolderEntry ParseExcludedFolderEntry(const AnsiString& entry);

// The reverse of MakeExcludedFolderEntries: each entry, read on its own
// with ParseExcludedFolderEntry, adds its folder to one of the two lists.
void SplitExcludedFolderEntries(const TStringListAdaptor& entries, TStrings& folders,
                                TStrings& foldersWithSub);

// A settings file that exists but may not be used (see TTidewashConfig).
class EConfigFileDamaged : public Exception {
public:
    using Exception::Exception;
};

}  // namespace tws
