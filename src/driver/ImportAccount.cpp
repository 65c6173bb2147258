#include <tessaro/ImportAccount.h>

namespace tessaro {

std::string_view FateName(LineFate fate) {
    switch (fate) {
    case LineFate::Imported: return "imported";
    case LineFate::AreaNotKnown: return "area-not-known";
    case LineFate::AreaNotInDevice: return "area-not-in-device";
    case LineFate::SameName: return "same-name";
    case LineFate::ReplacedByBlock: return "replaced-by-block";
    case LineFate::BlockNotImported: return "block-not-imported";
    case LineFate::FileError: return "file-error";
    }
    return "";
}

}  // namespace tessaro
