// String lists and byte streams.
//
// TStrings is the list of strings every library passes around; TStringList is
// its one concrete kind. Names and values: a line "name=value" has the name
// before its first "=", and lookups by name ignore case with the first line
// of that name winning. Comma text: items separated by commas; an item that
// holds a character at or below the blank, a comma or a double quote is
// enclosed in double quotes with inner quotes doubled; an empty list is the
// empty text. When comma text is read back, blanks outside double quotes
// separate items as commas do.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "System.hpp"

class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual const AnsiString& Get(int index) const = 0;  // EStringListError when out of range
    virtual void Put(int index, const AnsiString& text) = 0;
    virtual int Add(const AnsiString& text) = 0;  // the index of the new line
    virtual void Insert(int index, const AnsiString& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int IndexOf(const AnsiString& text) const;  // ignoring case; -1 when absent

    const AnsiString& operator[](int index) const { return Get(index); }
    const AnsiString& Strings(int index) const { return Get(index); }

    void Assign(const TStrings& source);
    void AddStrings(const TStrings& source);

    AnsiString Names(int index) const;  // empty when the line has no "="
    AnsiString ValueFromIndex(int index) const;
    int IndexOfName(const AnsiString& name) const;
    AnsiString Values(const AnsiString& name) const;  // empty when absent
    // Sets the first line of that name; an empty value deletes that line.
    void SetValue(const AnsiString& name, const AnsiString& value);

    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& text);
    // The lines each ended by a line feed; set from text split at LF or CRLF.
    AnsiString Text() const;
    void SetText(const AnsiString& text);

    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName) const;

    // Windows controls batch their repaints with these; lists need nothing.
    void BeginUpdate() {}
    void EndUpdate() {}
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    TStringList() = default;
    TStringList(const TStringList& other) = default;
    TStringList& operator=(const TStringList& other) = default;

    int Count() const override { return static_cast<int>(FItems.size()); }
    const AnsiString& Get(int index) const override;
    void Put(int index, const AnsiString& text) override;  // not allowed while sorted
    int Add(const AnsiString& text) override;  // a sorted list inserts in order
    void Insert(int index, const AnsiString& text) override;  // not allowed while sorted
    void Delete(int index) override;
    void Clear() override { FItems.clear(); }
    int IndexOf(const AnsiString& text) const override;

    // A sorted list keeps its lines in order ignoring case (or not, see
    // CaseSensitive) and answers IndexOf by binary search.
    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool caseSensitive);
    void Sort();
    // Binary search in a sorted list: true and the index when found, else the
    // index where the text would go.
    bool Find(const AnsiString& text, int& index) const;

private:
    int Compare(const AnsiString& a, const AnsiString& b) const;
    void CheckIndex(int index, int limit) const;

    std::vector<AnsiString> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

// Seek origins.
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream. Read and Write move what they can and return the count;
// ReadBuffer and WriteBuffer move exactly the count or raise.
class TStream {
public:
    virtual ~TStream() = default;
    virtual int Read(void* buffer, int count) = 0;
    virtual int Write(const void* buffer, int count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    std::int64_t Size();

    void ReadBuffer(void* buffer, int count);         // EReadError when short
    void WriteBuffer(const void* buffer, int count);  // EWriteError when short
};

// File stream modes.
enum : unsigned short {
    fmCreate = 0xFF00,       // a new file, or an existing one emptied
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
};

// A file as a stream. Writes are buffered; Flush (and the destructor, which
// cannot report) hands them to the system.
class TFileStream : public TStream {
public:
    // EFCreateError / EFOpenError naming the file when it cannot be had.
    TFileStream(const AnsiString& fileName, unsigned short mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void Flush();  // EWriteError naming the file when the data cannot be written

    const AnsiString& FileName() const { return FFileName; }

private:
    AnsiString FFileName;
    std::FILE* FFile = nullptr;
};

// A stream over an in-memory string.
class TStringStream : public TStream {
public:
    explicit TStringStream(AnsiString data = AnsiString()) : FData(std::move(data)) {}

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    const AnsiString& DataString() const { return FData; }

private:
    AnsiString FData;
    std::size_t FPosition = 0;
};
