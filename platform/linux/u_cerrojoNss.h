// NSS's contexts are set up and torn down process-wide: whatever opens one (reading the store,
// importing into it, reading a certificate's details) holds this lock until it has closed it.
#pragma once

#include <cert.h>
#include <nss.h>
#include <pk11pub.h>

#include <mutex>
#include <string>

namespace marlevanta {

inline std::mutex& CerrojoNss() {
    static std::mutex m;
    return m;
}

// One NSS context and the slot of its database, both let go together.
class ContextoNss {
public:
    ContextoNss() = default;
    ContextoNss(const ContextoNss&) = delete;
    ContextoNss& operator=(const ContextoNss&) = delete;
    ~ContextoNss() {
        if (slot_) PK11_FreeSlot(slot_);
        if (ctx_) NSS_ShutdownContext(ctx_);
    }
    NSSInitContext* ctx_ = nullptr;
    PK11SlotInfo* slot_ = nullptr;
};

// The certificate, its chain and its key (encrypted under the password `clave`, given as text:
// the encoder turns it into UTF-16) as a PKCS #12 in memory. Needs an NSS context open on the
// database that holds them, logged in when it has a password.
bool ExportarPkcs12Nss(PK11SlotInfo* slot, CERTCertificate* cert, SECItem& clave,
                       std::string& salida);

}  // namespace marlevanta
