// What TVerifiedFile and TFileVerifier do alike on every platform: keeping
// what was verified, and taking a full name apart into its folder and its
// name. The checks themselves are
// the platform's (verifiedfile_posix.cpp, verifiedfile_win32.cpp).
#include "VerifiedFile.h"

#include "SysUtils.hpp"

namespace twsplatform {

namespace {

bool IsDelimiter(char c) { return std::string_view(PathDelimiters).find(c) != std::string_view::npos; }

}  // namespace

TVerifiedFile::TVerifiedFile(std::shared_ptr<TFolderHandle> folder, AnsiString name, int fd,
                             const TFileIdentity& identity, unsigned mode, std::uint64_t links,
                             std::shared_ptr<TTrash> trash)
    : FFolder(std::move(folder)),
      FName(std::move(name)),
      FFd(fd),
      FIdentity(identity),
      FMode(mode),
      FLinks(links),
      FTrash(std::move(trash))
{
}

TFileVerifier::TFileVerifier(AnsiString root) : TFileVerifier(std::make_shared<twslisting::TRootFolder>())
{
    // The folder made just above for this verifier alone: it opens it.
    FOwnRoot = std::const_pointer_cast<twslisting::TRootFolder>(FRootFolder);
    FRoot = std::move(root);
    if (FRoot.empty() || !IsDelimiter(FRoot.back()))
        FRoot += PathDelim;
}

const twslisting::TRootFolder& TFileVerifier::Root()
{
    if (FOwnRoot && !FOwnRoot->IsOpen())
        FOwnRoot->Open(FRoot);
    return *FRootFolder;
}

TVerifyResult TFileVerifier::FromWalk(twslisting::TWalkResult walk)
{
    switch (walk) {
    case twslisting::TWalkResult::Opened: return TVerifyResult::Verified;
    case twslisting::TWalkResult::Missing: return TVerifyResult::Missing;
    case twslisting::TWalkResult::BadPath: return TVerifyResult::OutsideRoot;
    case twslisting::TWalkResult::Refused: break;
    }
    return TVerifyResult::Changed;
}

std::unique_ptr<TVerifiedFile> TVerifiedFile::Open(const AnsiString& root, const AnsiString& fullName,
                                                   const TFileIdentity& identity, TVerifyResult& result)
{
    TFileVerifier verifier(root);
    return verifier.Open(fullName, identity, result);
}

std::unique_ptr<TVerifiedFile> TFileVerifier::Open(const AnsiString& fullName, const TFileIdentity& identity,
                                                   TVerifyResult& result)
{
    const auto slash = fullName.find_last_of(PathDelimiters);
    if (slash == AnsiString::npos) {
        result = TVerifyResult::OutsideRoot;
        return nullptr;
    }
    return OpenIn(std::string_view(fullName).substr(0, slash + 1), fullName.substr(slash + 1), identity, result);
}

std::unique_ptr<TVerifiedFile> TFileVerifier::Open(const AnsiString& folderPath, const AnsiString& name,
                                                   const TFileIdentity& identity, TVerifyResult& result)
{
    // Anything but a folder ending in a delimiter and a plain name is taken
    // apart as the full name it makes, exactly as the one-argument form
    // would.
    if (folderPath.empty() || !IsDelimiter(folderPath.back()) || name.find_first_of(PathDelimiters) != AnsiString::npos)
        return Open(folderPath + name, identity, result);
    return OpenIn(folderPath, name, identity, result);
}

void TFileVerifier::SetTrashObserver(TTrashObserver* observer) { FTrash->SetObserver(observer); }

}  // namespace twsplatform
