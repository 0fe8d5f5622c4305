// TReviewWindow: what the cleanup handler needs of a review window, and
// the one function that makes one.
//
// The handler shows the window from ShowProperties and nowhere else, so it
// only ever makes it, hands it the scan's side tables, names its owner,
// shows it modally (again and again: it keeps its state between shows) and
// destroys it. Everything else - the toolkit, its application object, the
// folder tree and the list - stays behind this interface, in the view's
// own code: linked into the handler where the view costs nothing to load
// (the system's controls), in a module of its own beside the handler where
// it would drag a toolkit into every process that loads the handler to
// scan (Qt). Reviewloader.h finds the factory either way.
#pragma once

#include <cstdint>

#include "Resultmodel.h"
#include "System.hpp"
#include "Zelfilesearch.h"

namespace tidewash {

// What a scan hands the window. The window keeps references: the searcher,
// the selection and the tables must outlive it.
struct TReviewScan {
    const AnsiString* Volume;
    zelutils::TFileSearch* Searcher;
    TFileFlags* Selection;       // the marks the window changes
    const TFileReasons* Reasons;  // why the scan left files unselected (may be null)
    // The reports folder and the resource library are here (ends in a
    // separator).
    const AnsiString* InstallationFolder;
};

class TReviewWindow {
public:
    // Set before the first show, when the scan has them (either may be
    // null): files found again under another mask -> their first finding,
    // and the files the settings keep whatever their mark, with the reason.
    virtual void SetSideTables(const TFileAliases* aliases, const TFileReasons* keptBySettings) = 0;
    // The window stays above the caller's window whose native id is owner
    // (a caller's HWND); 0 leaves it on its own.
    virtual void SetOwner(std::uintptr_t owner) = 0;
    // Shows the window modally on the calling thread; the first show builds
    // the views, later ones find them as they were left. May throw.
    virtual int ShowModal() = 0;
    // Frees the window in the module that made it.
    virtual void Destroy() noexcept = 0;

protected:
    ~TReviewWindow() = default;
};

// The factory's type and its exported name. It makes the window (and,
// where the toolkit needs one, the process's application object first);
// null when no window can be made: no display to show it on, or no memory.
using TReviewWindowFactory = TReviewWindow* (*)(const TReviewScan& scan) noexcept;
inline constexpr const char* kReviewWindowFactoryName = "TidewashMakeReviewWindow";

}  // namespace tidewash

extern "C" tidewash::TReviewWindow* TidewashMakeReviewWindow(const tidewash::TReviewScan& scan) noexcept;
