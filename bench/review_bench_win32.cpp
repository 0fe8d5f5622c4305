// review_bench_win32: how fast the Windows review window shows a large
// scan, under Wine or on Windows - the twin of review_bench.
//
//   review_bench_win32 [--results N] [--screenshot FILE.png]
//
// Builds N search results (100000 by default) in memory, spread over the
// nine default masks in project folders of about 100 files, then times
// the window's construction, the building of its tree and list and its
// first paint ("build+show"), and the slowest switch from one tab to
// another over every tab and back to the all-masks tab ("tab switch": the
// tab control's selection and notification, then the paint), then once
// more over tabs shown before ("again"). Memory is the
// growth of the working set over the window's life. Each time comes with
// the processor time the program took meanwhile (its own threads; Wine's
// server is another process), which a loaded machine disturbs less.
//
// With --screenshot, shows a small hand-made scan instead and saves a
// picture of the window as it is on screen (a display is needed).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Filedetailsform_win32.h"
#include "Reviewbenchscan.h"

using namespace tidewash;
using namespace reviewbench;

namespace {

double WorkingSetMB()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// The process's processor time so far, in seconds: on a loaded machine
// steadier than the wall clock.
double ProcessorSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Paint(HWND window) { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

// The program's folder, where the build puts TWSRES.dll.
std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Shows the window modally on a thread of its own and runs drive on this
// one once its views are built; drive ends by closing it.
void ShowAndDrive(TfrmFileDetails& form, const std::function<void(HWND)>& drive)
{
    HANDLE built = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    form.ViewsBuilt = [&] {
        Paint(form.Handle());
        SetEvent(built);
    };
    std::thread window([&] { form.ShowModal(); });
    WaitForSingleObject(built, INFINITE);
    drive(form.Handle());
    SendMessageW(form.Handle(), WM_COMMAND, IDOK, 0);
    window.join();
    CloseHandle(built);
}

void SelectTab(HWND window, int tab)
{
    const HWND tabs = GetDlgItem(window, IDC_TABS);
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    NMHDR header{tabs, IDC_TABS, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window, WM_NOTIFY, IDC_TABS, reinterpret_cast<LPARAM>(&header));
    Paint(window);
}

// CRC-32 of PNG chunks, and Adler-32 of the zlib stream.
std::uint32_t Crc32(const std::vector<std::uint8_t>& data, std::size_t from)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < data.size(); ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Chunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data)
{
    Put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32(png, Crc32(png, start));
}

// RGB rows, top down, as a PNG file: no compression (stored deflate
// blocks), which every viewer reads and which needs no library here;
// scripts/screenshots.sh compresses it for docs/.
bool WritePng(const char* file, int width, int height, const std::vector<std::uint8_t>& rgb)
{
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
        raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(width) * 3);
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        zlib.push_back(at + n == raw.size() ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(n));
        zlib.push_back(static_cast<std::uint8_t>(n >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~n));
        zlib.push_back(static_cast<std::uint8_t>(~n >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (n == 0)
            break;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32(zlib, (b << 16) | a);
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(width));
    Put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", zlib);
    Chunk(png, "IEND", {});
    FILE* out = std::fopen(file, "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(png.data(), png.size(), 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

// The window as the screen shows it, frame included, as a PNG file.
bool SaveWindow(HWND window, const char* file)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    // Top down (negative height), 24-bit BGR rows padded to 4 bytes.
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ before = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, before);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(bits) + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x)
            rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return WritePng(file, width, height, rgb);
}

int Screenshot(const char* file)
{
    const char* const files[] = {"Billing\\Main.obj",         "Billing\\Main.map",          "Billing\\Main.tds",
                                 "Billing\\Units\\Invoice.obj", "Billing\\Units\\Invoice.~cpp", "Billing\\Units\\Tax.obj",
                                 "Billing\\Units\\Tax.bak",    "Reports\\Report.obj",        "Reports\\Report.dsk",
                                 "Reports\\Report.ilk",        "Reports\\Forms\\Print.obj",  "Reports\\Forms\\Print.#01"};
    zelutils::TFileSearch search;
    int n = 0;
    for (const char* f : files) {
        const std::string path = std::string("C:\\Projects\\") + f;
        const std::string extension = path.substr(path.find_last_of('.'));
        zelutils::TSearchResult r;
        r.SetPath(path.substr(0, path.find_last_of('\\') + 1));
        r.Name = path.substr(path.find_last_of('\\') + 1);
        r.Size = 1000 + 700 * n++;
        r.CreationTime = 45000.0 + n;
        r.LastWriteTime = 45010.0 + n;
        for (std::size_t k = 0; k < std::size(Extensions); ++k)
            if (extension.rfind(std::string(Extensions[k]).substr(0, 3), 0) == 0)
                search.Results[Masks[k]].push_back(r);
    }
    TFileFlags selection;
    for (const auto& [mask, results] : search.Results)
        for (std::size_t i = 0; i < results.size(); ++i)
            selection[TResultRef{&results, i}] = std::string(mask) != "*.~*";
    TfrmFileDetails form("C:\\Projects\\", search, selection, nullptr, ProgramFolder());
    bool saved = false;
    ShowAndDrive(form, [&](HWND window) {
        const HWND tree = GetDlgItem(window, IDC_TREE);
        // Every folder open, the second file selected in the list.
        for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;) {
            TreeView_Expand(tree, item, TVE_EXPAND);
            HTREEITEM next = TreeView_GetChild(tree, item);
            while (next == nullptr && item != nullptr) {
                next = TreeView_GetNextSibling(tree, item);
                item = TreeView_GetParent(tree, item);
            }
            item = next;
        }
        TreeView_EnsureVisible(tree, TreeView_GetRoot(tree));
        const HWND list = GetDlgItem(window, IDC_LIST);
        ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SetForegroundWindow(window);
        Paint(window);
        Sleep(500);  // the window manager's frame
        saved = SaveWindow(window, file);
    });
    return ReportScreenshot(saved, file, selection.size());
}

}  // namespace

int main(int argc, char** argv)
{
    const TOptions options = ParseOptions(argc, argv);
    if (options.Screenshot != nullptr)
        return Screenshot(options.Screenshot);

    zelutils::TFileSearch search;
    GenerateResults(search, options.Results, "C:\\Projects\\", "\\");
    TFileFlags selection = SelectAll(search);
    const double before = WorkingSetMB();

    const auto start = std::chrono::steady_clock::now();
    const double startCpu = ProcessorSeconds();
    auto* form = new TfrmFileDetails("C:\\Projects\\", search, selection, nullptr, ProgramFolder());
    double buildShow = 0, buildShowCpu = 0, memory = 0;
    // The slowest switch, first and second time round: wall clock and
    // processor time.
    double slowest[2][2] = {};
    ShowAndDrive(*form, [&](HWND window) {
        buildShow = Since(start);
        buildShowCpu = ProcessorSeconds() - startCpu;
        const int tabs = static_cast<int>(SendDlgItemMessageW(window, IDC_TABS, TCM_GETITEMCOUNT, 0, 0));
        for (auto& round : slowest)
            for (int t = 1; t <= tabs; ++t) {
                const auto switchStart = std::chrono::steady_clock::now();
                const double switchCpu = ProcessorSeconds();
                SelectTab(window, t % tabs);  // the last one goes back to all masks
                round[0] = std::max(round[0], Since(switchStart));
                round[1] = std::max(round[1], ProcessorSeconds() - switchCpu);
            }
        memory = WorkingSetMB() - before;
    });
    delete form;
    std::printf("review (Win32): %ld results, build+show %.2f s (processor %.2f s), tab switch %.2f s "
                "(processor %.2f s), again %.2f s (processor %.2f s), memory %.0f MB\n",
                options.Results, buildShow, buildShowCpu, slowest[0][0], slowest[0][1], slowest[1][0],
                slowest[1][1], memory);
    return 0;
}
