// The Windows back-end of the import: PFXImportCertStore, then the certificate that has the key
// added to the current user's "MY" store, as the system's own import wizard does.
#include <windows.h>
// wincrypt.h needs the types of windows.h first.
#include <wincrypt.h>

#include <vector>

#include "core/plataforma/u_detallesCertificado.h"
#include "core/plataforma/u_importadorCertificados.h"
#include "platform/u_sistema.h"
#include "platform/windows/u_utf16.h"

namespace marlevanta {

namespace {

bool LeerArchivo(const std::string& archivo, std::vector<BYTE>& datos, DWORD& error) {
    HANDLE f = CreateFileW(Ancho(archivo).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    LARGE_INTEGER tamano{};
    bool ok = GetFileSizeEx(f, &tamano) && tamano.QuadPart < 16 * 1024 * 1024;
    if (ok) {
        datos.resize(static_cast<size_t>(tamano.QuadPart));
        DWORD leidos = 0;
        ok = datos.empty() ||
             (ReadFile(f, datos.data(), static_cast<DWORD>(datos.size()), &leidos, nullptr) &&
              leidos == datos.size());
    }
    error = ok ? 0 : GetLastError();
    CloseHandle(f);
    return ok;
}

bool TieneClave(PCCERT_CONTEXT ctx) {
    DWORD bytes = 0;
    return CertGetCertificateContextProperty(ctx, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &bytes);
}

class ImportadorWin : public ImportadorCertificados {
public:
    Resultado<CertificadoImportado> Importar(const std::string& archivo,
                                             const std::string& contrasena) override {
        std::vector<BYTE> datos;
        DWORD error = 0;
        if (!LeerArchivo(archivo, datos, error)) {
            return Falla("No se puede leer el archivo \"" + archivo + "\": " + TextoError(error) +
                         ".");
        }
        CRYPT_DATA_BLOB blob{static_cast<DWORD>(datos.size()), datos.data()};
        if (datos.empty() || !PFXIsPFXBlob(&blob)) {
            return Falla("El archivo \"" + archivo +
                         "\" no es un certificado PKCS #12 (.p12 o .pfx) o está dañado.");
        }
        const std::wstring pw = Ancho(contrasena);
        HCERTSTORE pfx = PFXImportCertStore(&blob, pw.c_str(), CRYPT_USER_KEYSET);
        // "No password" is written either as an empty text or as no text at all.
        if (!pfx && contrasena.empty()) pfx = PFXImportCertStore(&blob, nullptr, CRYPT_USER_KEYSET);
        if (!pfx) {
            const DWORD e = GetLastError();
            // The blob is a PKCS #12 file (PFXIsPFXBlob said so): what fails is opening it.
            // Windows says ERROR_INVALID_PASSWORD; Wine sets no error at all.
            if (e == ERROR_INVALID_PASSWORD || e == static_cast<DWORD>(NTE_BAD_DATA) || e == 0) {
                return Falla(kContrasenaIncorrecta);
            }
            return Falla("No se ha podido leer el archivo \"" + archivo + "\": " + TextoError(e) +
                         ".");
        }
        PCCERT_CONTEXT propio = nullptr;
        PCCERT_CONTEXT ctx = nullptr;
        while (!propio && (ctx = CertEnumCertificatesInStore(pfx, ctx)) != nullptr) {
            if (TieneClave(ctx)) propio = CertDuplicateCertificateContext(ctx);
        }
        if (ctx) CertFreeCertificateContext(ctx);
        CertCloseStore(pfx, 0);
        if (!propio) {
            return Falla("El archivo \"" + archivo +
                         "\" no contiene la clave privada del certificado, y sin ella el "
                         "certificado no sirve para identificarse. Pida el archivo .p12 o .pfx "
                         "completo, con su clave privada.");
        }
        BYTE sha1[20];
        DWORD bytes = sizeof sha1;
        CertificadoImportado r;
        if (CertGetCertificateContextProperty(propio, CERT_SHA1_HASH_PROP_ID, sha1, &bytes)) {
            r.huella = HexMayusculas(sha1, bytes);
        }
        HCERTSTORE my =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"MY");
        if (!my) {
            error = GetLastError();
            CertFreeCertificateContext(propio);
            return Falla("No se puede abrir el almacén de certificados personal: " +
                         TextoError(error) + ".");
        }
        CRYPT_HASH_BLOB hash{bytes, sha1};
        PCCERT_CONTEXT existente = CertFindCertificateInStore(my, X509_ASN_ENCODING, 0,
                                                              CERT_FIND_SHA1_HASH, &hash, nullptr);
        r.yaEstaba = existente && TieneClave(existente);
        if (existente) CertFreeCertificateContext(existente);
        bool ok = true;
        if (!r.yaEstaba) {
            ok = CertAddCertificateContextToStore(my, propio, CERT_STORE_ADD_REPLACE_EXISTING,
                                                  nullptr);
            error = ok ? 0 : GetLastError();
        }
        CertFreeCertificateContext(propio);
        CertCloseStore(my, 0);
        if (!ok) {
            return Falla("No se ha podido añadir el certificado al almacén personal: " +
                         TextoError(error) + ".");
        }
        return r;
    }
};

}  // namespace

std::unique_ptr<ImportadorCertificados> CrearImportadorCertificados() {
    return std::make_unique<ImportadorWin>();
}

}  // namespace marlevanta
