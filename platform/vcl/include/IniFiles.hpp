// INI files: sections of name=value lines.
//
// Sections and keys are found ignoring case and kept as first written.
// Writing an existing key updates its line in place; a new key goes after
// the last key of its section; a new section is appended at the end of the
// file, after one blank line. Lines that are not name=value (comments, blank
// lines, anything else) are kept as they are.
//
// TIniFile reads the file afresh for every call, so two objects on one file
// agree, and every write is on disk when the call returns. TMemIniFile reads
// the file once, when it is constructed, works on that copy, and writes the
// whole copy back with UpdateFile: several changes become one replacement of
// the file, which is how a group of settings is saved together.
//
// Every reader takes the file's shared lock and every writer its exclusive
// one (TLockedFile in AtomicFile.hpp), and a file is replaced as one whole,
// so a reader or a crash sees the old or the new file, never a mixture.
// The name is opened as it is (TLockedFile): a symbolic link, anything but a
// regular file, or a file over MaxLockedFileSize is refused, by readers with
// EFOpenError or EReadError and by writers with EIniFileException, and
// nothing is written. Writing follows these rules:
//   - a file the caller may not write: the write fails (EIniFileException
//     naming the file and the reason) and the file stays as it was
//   - a writable file in a folder the caller may not write, or owned by
//     another user: the file is rewritten in place, under the lock
//   - otherwise a temporary file in the same folder is flushed and renamed
//     over the file, which keeps its permissions and owner
// Files with LF or CRLF line ends are read; a rewritten file keeps the line
// end it had (LF for new files). A file that does not exist reads as empty.
//
// A read value has its surrounding blanks trimmed and then one pair of
// enclosing double quotes dropped. Typed reads fall back to the default when
// the key is missing or its text does not parse:
//   ReadInteger   text that is not an integer (see SysUtils.hpp)
//   ReadFloat     empty text or not a number
//   ReadDateTime  empty text or not a date-time
//   ReadBool      text that is not an integer; any integer but 0 is true
// Writes raise EIniFileException for names or values that an INI line
// cannot hold (line breaks; "=" or a leading "[" in a key; "]" in a
// section), and when the file cannot be written.
#pragma once

#include <memory>

#include "Classes.hpp"
#include "System.hpp"

class TCustomIniFile {
public:
    virtual ~TCustomIniFile() = default;

    virtual AnsiString ReadString(const AnsiString& section, const AnsiString& name,
                                  const AnsiString& defaultValue) = 0;
    virtual void WriteString(const AnsiString& section, const AnsiString& name,
                             const AnsiString& value) = 0;
    virtual int ReadInteger(const AnsiString& section, const AnsiString& name, int defaultValue);
    virtual void WriteInteger(const AnsiString& section, const AnsiString& name, int value);
    virtual double ReadFloat(const AnsiString& section, const AnsiString& name, double defaultValue);
    virtual void WriteFloat(const AnsiString& section, const AnsiString& name, double value);
    virtual TDateTime ReadDateTime(const AnsiString& section, const AnsiString& name,
                                   TDateTime defaultValue);
    virtual void WriteDateTime(const AnsiString& section, const AnsiString& name, TDateTime value);
    virtual bool ReadBool(const AnsiString& section, const AnsiString& name, bool defaultValue);
    virtual void WriteBool(const AnsiString& section, const AnsiString& name, bool value);

    virtual void ReadSection(const AnsiString& section, TStrings* names) = 0;  // key names
    virtual void ReadSections(TStrings* sections) = 0;
    virtual void ReadSectionValues(const AnsiString& section, TStrings* values) = 0;  // name=value
    virtual void EraseSection(const AnsiString& section) = 0;
    virtual void DeleteKey(const AnsiString& section, const AnsiString& name) = 0;
    virtual bool SectionExists(const AnsiString& section);
    virtual bool ValueExists(const AnsiString& section, const AnsiString& name);
    virtual void UpdateFile() {}
};

class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(AnsiString fileName) : FFileName(std::move(fileName)) {}

    const AnsiString& FileName() const { return FFileName; }

    AnsiString ReadString(const AnsiString& section, const AnsiString& name,
                          const AnsiString& defaultValue) override;
    void WriteString(const AnsiString& section, const AnsiString& name,
                     const AnsiString& value) override;
    void ReadSection(const AnsiString& section, TStrings* names) override;
    void ReadSections(TStrings* sections) override;
    void ReadSectionValues(const AnsiString& section, TStrings* values) override;
    void EraseSection(const AnsiString& section) override;
    void DeleteKey(const AnsiString& section, const AnsiString& name) override;

private:
    AnsiString FFileName;
};

namespace vcl {
class TLockedFile;
}
struct TIniText;

class TMemIniFile : public TCustomIniFile {
public:
    // Reads the file now, under its shared lock (EFOpenError when it exists
    // but cannot be opened or is refused, EReadError when reading fails); a
    // missing file gives an empty copy.
    explicit TMemIniFile(AnsiString fileName);
    // A copy made from text already read (under a lock the caller holds).
    TMemIniFile(AnsiString fileName, const AnsiString& contents);
    ~TMemIniFile() override;

    const AnsiString& FileName() const { return FFileName; }
    // The copy as file text, with the line ends of the file it was read from.
    AnsiString Text() const;

    AnsiString ReadString(const AnsiString& section, const AnsiString& name,
                          const AnsiString& defaultValue) override;
    void WriteString(const AnsiString& section, const AnsiString& name,
                     const AnsiString& value) override;
    void ReadSection(const AnsiString& section, TStrings* names) override;
    void ReadSections(TStrings* sections) override;
    void ReadSectionValues(const AnsiString& section, TStrings* values) override;
    void EraseSection(const AnsiString& section) override;
    void DeleteKey(const AnsiString& section, const AnsiString& name) override;
    // Answered from an index of the copy (built once, kept until a change
    // moves its lines): asking for every key of a file costs one pass.
    bool SectionExists(const AnsiString& section) override;
    bool ValueExists(const AnsiString& section, const AnsiString& name) override;

    // Appends the section, empty, after one blank line, unless the copy has
    // it. Raises EIniFileException for a name an INI line cannot hold.
    void AddSection(const AnsiString& section);
    // Moves the first section of that name, its header and every line up to
    // the next header (comments and unknown keys too), to the end, after one
    // blank line. Nothing happens when there is no such section.
    void MoveSectionToEnd(const AnsiString& section);

    // Every section header after the first line gets one blank line before
    // it, where the line before is not blank already.
    void InsertBlankLineBeforeHeaders();

    // Replaces the file with the copy, once, under the exclusive lock.
    void UpdateFile() override;
    // The same, through a lock the caller already holds on the file (to
    // read, change and write it back with no other writer in between).
    void UpdateFile(vcl::TLockedFile& file);

private:
    AnsiString FFileName;
    std::unique_ptr<TIniText> FText;
};
