#pragma once
// A component layout of its own for an import, for a host that has none (POSIX systems):
// a fresh temporary folder (in TMPDIR, else /tmp) holding app/bin as the component's
// folder and KorvoDEV.dbr, two levels above it, as a link to the device database. The
// merged message file comes to be app/Messenger.Msg. The folder goes, with everything in
// it, when the object goes.

#include <string>

namespace tessaro {

class PrivateLayout {
public:
    // Fails with a std::runtime_error naming the folder when it cannot be made.
    explicit PrivateLayout(const std::string& deviceDb);
    ~PrivateLayout();
    PrivateLayout(const PrivateLayout&) = delete;
    PrivateLayout& operator=(const PrivateLayout&) = delete;

    std::string root;
    std::string component;  // root/app/bin
};

}  // namespace tessaro
