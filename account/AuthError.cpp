#include "account/AuthError.h"

#include "account/BoardServer.h"

namespace tavrik {

std::string AuthError::errorDescription() const {
    switch (kind) {
        case Kind::Network:
        case Kind::Server:
            return message;
        case Kind::Decode:
            return "Unexpected response from server";
        case Kind::NotSignedIn:
            return "Not signed in";
        case Kind::NoServer:
            return BoardServer::noServerText;
    }
    return {};
}

}  // namespace tavrik
