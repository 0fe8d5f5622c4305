// String lists and streams.
#include "Classes.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "AtomicFile.hpp"
#include "SysUtils.hpp"

// ---- TStrings ---------------------------------------------------------------

int TStrings::IndexOf(const AnsiString& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), text))
            return i;
    return -1;
}

void TStrings::Assign(const TStrings& source)
{
    if (&source == this)
        return;
    Clear();
    AddStrings(source);
}

void TStrings::AddStrings(const TStrings& source)
{
    const int n = source.Count();  // source may be this list
    for (int i = 0; i < n; ++i)
        Add(source.Get(i));
}

AnsiString TStrings::Names(int index) const
{
    const AnsiString& line = Get(index);
    const auto eq = line.find('=');
    return eq == AnsiString::npos ? AnsiString() : line.substr(0, eq);
}

AnsiString TStrings::ValueFromIndex(int index) const
{
    const AnsiString& line = Get(index);
    const auto eq = line.find('=');
    return eq == AnsiString::npos ? AnsiString() : line.substr(eq + 1);
}

int TStrings::IndexOfName(const AnsiString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        const AnsiString& line = Get(i);
        const auto eq = line.find('=');
        if (eq != AnsiString::npos && SameText(line.substr(0, eq), name))
            return i;
    }
    return -1;
}

AnsiString TStrings::Values(const AnsiString& name) const
{
    const int i = IndexOfName(name);
    return i < 0 ? AnsiString() : ValueFromIndex(i);
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value)
{
    const int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0)
            Delete(i);
    } else if (i >= 0) {
        Put(i, name + "=" + value);
    } else {
        Add(name + "=" + value);
    }
}

AnsiString TStrings::CommaText() const
{
    AnsiString out;
    for (int i = 0; i < Count(); ++i) {
        const AnsiString& item = Get(i);
        if (i > 0)
            out += ',';
        const bool quote = std::any_of(item.begin(), item.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
        });
        // A list of one empty item must not read back as the empty list.
        if (quote || (item.empty() && Count() == 1)) {
            out += '"';
            for (char c : item) {
                if (c == '"')
                    out += '"';
                out += c;
            }
            out += '"';
        } else {
            out += item;
        }
    }
    return out;
}

namespace {

// Where the plain run of text from i ends: the first comma or byte up to the
// space at or after i, or the end. Eight bytes at a time where the bytes
// sit in a word lowest first: a folder list may be megabytes.
std::size_t PlainRunEnd(const AnsiString& text, std::size_t i)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101u, high = 0x8080808080808080u;
        for (; i + 8 <= text.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            const std::uint64_t comma = word ^ (ones * ',');
            // The high bit of each byte that is a comma (zero after the
            // xor) or below '!' (ASCII, and less once lowered by 0x21); a
            // borrow may mark bytes after the first such byte, never before.
            const std::uint64_t end = (((comma - ones) & ~comma) | ((word - ones * 0x21) & ~word)) & high;
            if (end != 0)
                return i + static_cast<std::size_t>(std::countr_zero(end)) / 8;
        }
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ' && text[i] != ',')
        ++i;
    return i;
}

}  // namespace

void TStrings::SetCommaText(const AnsiString& text)
{
    Clear();
    const std::size_t n = text.size();
    auto blank = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) <= ' '; };
    std::size_t i = 0;
    while (i < n && blank(i))
        ++i;
    if (i >= n)
        return;
    AnsiString item;
    for (;;) {
        // Runs of plain bytes are appended whole: a folder list may hold
        // 100,000 items.
        auto plainRun = [&] {
            const std::size_t start = i;
            i = PlainRunEnd(text, i);
            item.append(text, start, i - start);
        };
        item.clear();
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                const std::size_t quote = std::min(text.find('"', i), n);
                item.append(text, i, quote - i);
                i = quote;
                if (i == n)
                    break;
                if (i + 1 < n && text[i + 1] == '"') {
                    item += '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            // Anything glued to the closing quote belongs to the same item.
            plainRun();
        } else {
            plainRun();
        }
        Add(item);
        while (i < n && blank(i))
            ++i;
        if (i >= n)
            break;
        if (text[i] == ',') {
            ++i;
            while (i < n && blank(i))
                ++i;
            if (i >= n) {
                Add(AnsiString());  // a trailing comma ends with an empty item
                break;
            }
        }
    }
}

AnsiString TStrings::Text() const
{
    AnsiString out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += '\n';
    }
    return out;
}

void TStrings::SetText(const AnsiString& text)
{
    Clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == AnsiString::npos ? text.size() : end + 1;
        if (end == AnsiString::npos)
            end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        Add(text.substr(start, stop - start));
        start = next;
    }
}

void TStrings::LoadFromFile(const AnsiString& fileName)
{
    AnsiString contents;
    if (!vcl::ReadWholeFile(fileName, contents))
        throw EFOpenError("Cannot open file \"" + fileName + "\". No such file or directory");
    SetText(contents);
}

void TStrings::SaveToFile(const AnsiString& fileName) const
{
    vcl::AtomicReplaceFile(fileName, Text());
}

// ---- TStringList ------------------------------------------------------------

void TStringList::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}

int TStringList::Compare(const AnsiString& a, const AnsiString& b) const
{
    if (FCaseSensitive)
        return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
    return CompareText(a, b);
}

const AnsiString& TStringList::Get(int index) const
{
    CheckIndex(index, Count());
    return FItems[static_cast<std::size_t>(index)];
}

void TStringList::Put(int index, const AnsiString& text)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index, Count());
    FItems[static_cast<std::size_t>(index)] = text;
}

int TStringList::Add(const AnsiString& text)
{
    if (!FSorted) {
        FItems.push_back(text);
        return Count() - 1;
    }
    int index;
    if (Find(text, index)) {
        if (FDuplicates == TDuplicates::dupIgnore)
            return index;
        if (FDuplicates == TDuplicates::dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    FItems.insert(FItems.begin() + index, text);
    return index;
}

void TStringList::Insert(int index, const AnsiString& text)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index, Count() + 1);
    FItems.insert(FItems.begin() + index, text);
}

void TStringList::Delete(int index)
{
    CheckIndex(index, Count());
    FItems.erase(FItems.begin() + index);
}

int TStringList::IndexOf(const AnsiString& text) const
{
    if (!FSorted) {
        for (int i = 0; i < Count(); ++i)
            if (Compare(FItems[static_cast<std::size_t>(i)], text) == 0)
                return i;
        return -1;
    }
    int index;
    return Find(text, index) ? index : -1;
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !FSorted) {
        FSorted = true;
        Sort();
    }
    FSorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive)
{
    FCaseSensitive = caseSensitive;
    if (FSorted)
        Sort();
}

void TStringList::Sort()
{
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const AnsiString& a, const AnsiString& b) { return Compare(a, b) < 0; });
}

bool TStringList::Find(const AnsiString& text, int& index) const
{
    // Lower bound, so that among equal lines the first is found.
    int lo = 0, hi = Count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (Compare(FItems[static_cast<std::size_t>(mid)], text) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < Count() && Compare(FItems[static_cast<std::size_t>(lo)], text) == 0;
}

// ---- Streams ----------------------------------------------------------------

std::int64_t TStream::Size()
{
    const std::int64_t here = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(here, TSeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int count)
{
    if (count < 0 || Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int count)
{
    if (count < 0 || Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

TFileStream::TFileStream(const AnsiString& fileName, unsigned short mode) : FFileName(fileName)
{
    const char* how = mode == fmCreate ? "wb" : (mode & 3) == fmOpenRead ? "rb" : "r+b";
    FFile = std::fopen(fileName.c_str(), how);
    if (FFile == nullptr) {
        const AnsiString reason = std::strerror(errno);
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
    std::setvbuf(FFile, nullptr, _IOFBF, 1 << 16);
}

TFileStream::~TFileStream()
{
    if (FFile != nullptr)
        std::fclose(FFile);
}

int TFileStream::Read(void* buffer, int count)
{
    if (count <= 0)
        return 0;
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(count), FFile));
}

int TFileStream::Write(const void* buffer, int count)
{
    if (count <= 0)
        return 0;
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), FFile));
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    if (std::fseek(FFile, static_cast<long>(offset), whence) != 0)
        return -1;
    return std::ftell(FFile);
}

void TFileStream::Flush()
{
    if (std::fflush(FFile) != 0)
        throw EWriteError("Cannot write file \"" + FFileName + "\". " + std::strerror(errno));
}

int TStringStream::Read(void* buffer, int count)
{
    if (count <= 0 || FPosition >= FData.size())
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(count), FData.size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, n);
    FPosition += n;
    return static_cast<int>(n);
}

int TStringStream::Write(const void* buffer, int count)
{
    if (count <= 0)
        return 0;
    const auto n = static_cast<std::size_t>(count);
    if (FPosition > FData.size())
        FData.resize(FPosition);
    FData.replace(FPosition, std::min(n, FData.size() - FPosition), static_cast<const char*>(buffer), n);
    FPosition += n;
    return count;
}

std::int64_t TStringStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                              : origin == TSeekOrigin::soCurrent
                                  ? static_cast<std::int64_t>(FPosition)
                                  : static_cast<std::int64_t>(FData.size());
    const std::int64_t target = base + offset;
    if (target < 0)
        return -1;
    FPosition = static_cast<std::size_t>(target);
    return target;
}
