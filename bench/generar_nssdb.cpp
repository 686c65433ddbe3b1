// Makes an NSS database with N user certificates (EC P-256 keys, self-issued), for benchmarks.
// Usage: generar_nssdb DIR N   (DIR must already hold an empty database: certutil -N)
#include <cert.h>
#include <certdb.h>
#include <cryptohi.h>
#include <keyhi.h>
#include <nss.h>
#include <pk11pub.h>
#include <secasn1.h>
#include <secder.h>
#include <secoid.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// extendedKeyUsage = clientAuth, emailProtection
const unsigned char kUsos[] = {0x30, 0x14, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03,
                               0x02, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x05, 0x05, 0x07, 0x03, 0x04};

std::vector<unsigned char> AltNameEmail(const std::string& email) {
    std::vector<unsigned char> r = {0x30, static_cast<unsigned char>(email.size() + 2), 0x81,
                                    static_cast<unsigned char>(email.size())};
    r.insert(r.end(), email.begin(), email.end());
    return r;
}

bool Crear(PK11SlotInfo* slot, int i, SECItem* parametros) {
    SECKEYPublicKey* publica = nullptr;
    SECKEYPrivateKey* privada = PK11_GenerateKeyPair(slot, CKM_EC_KEY_PAIR_GEN, parametros,
                                                     &publica, PR_TRUE, PR_TRUE, nullptr);
    if (!privada) return false;
    char nombre[128];
    std::snprintf(nombre, sizeof nombre, "CN=CLIENTE %05d APELLIDO NOMBRE - %08dZ,O=Banco", i,
                  10000000 + i);
    CERTName* sujeto = CERT_AsciiToName(nombre);
    const PRTime ahora = PR_Now();
    const PRTime dia = 86400LL * 1000000LL;
    CERTValidity* validez = CERT_CreateValidity(ahora - 365 * dia, ahora + (i % 900) * dia);
    CERTSubjectPublicKeyInfo* spki = SECKEY_CreateSubjectPublicKeyInfo(publica);
    CERTCertificateRequest* peticion = CERT_CreateCertificateRequest(sujeto, spki, nullptr);
    CERTCertificate* cert =
        CERT_CreateCertificate(static_cast<unsigned long>(i + 1), sujeto, validez, peticion);
    PLArenaPool* arena = cert->arena;
    const unsigned long v3 = SEC_CERTIFICATE_VERSION_3;
    SEC_ASN1EncodeInteger(arena, &cert->version, v3);
    void* ext = CERT_StartCertExtensions(cert);
    SECItem usos = {siBuffer, const_cast<unsigned char*>(kUsos), sizeof kUsos};
    CERT_AddExtension(ext, SEC_OID_X509_EXT_KEY_USAGE, &usos, PR_FALSE, PR_TRUE);
    auto alt = AltNameEmail("cliente" + std::to_string(i) + "@correo.example");
    SECItem altItem = {siBuffer, alt.data(), static_cast<unsigned>(alt.size())};
    CERT_AddExtension(ext, SEC_OID_X509_SUBJECT_ALT_NAME, &altItem, PR_FALSE, PR_TRUE);
    CERT_FinishExtensions(ext);
    SECOID_SetAlgorithmID(arena, &cert->signature, SEC_OID_ANSIX962_ECDSA_SHA256_SIGNATURE,
                          nullptr);
    SECItem der = {siBuffer, nullptr, 0};
    SEC_ASN1EncodeItem(arena, &der, cert, SEC_ASN1_GET(CERT_CertificateTemplate));
    SECItem firmado = {siBuffer, nullptr, 0};
    bool ok = SEC_DerSignData(arena, &firmado, der.data, static_cast<int>(der.len), privada,
                              SEC_OID_ANSIX962_ECDSA_SHA256_SIGNATURE) == SECSuccess;
    if (ok) {
        std::string apodo = "cliente" + std::to_string(i);
        ok = PK11_ImportDERCert(slot, &firmado, CK_INVALID_HANDLE, apodo.data(), PR_FALSE) ==
             SECSuccess;
    }
    CERT_DestroyCertificate(cert);
    CERT_DestroyCertificateRequest(peticion);
    SECKEY_DestroySubjectPublicKeyInfo(spki);
    CERT_DestroyValidity(validez);
    CERT_DestroyName(sujeto);
    SECKEY_DestroyPublicKey(publica);
    SECKEY_DestroyPrivateKey(privada);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIR N\n", argv[0]);
        return 2;
    }
    const std::string config = std::string("sql:") + argv[1];
    if (NSS_InitReadWrite(config.c_str()) != SECSuccess) {
        std::fprintf(stderr, "cannot open %s\n", config.c_str());
        return 1;
    }
    PK11SlotInfo* slot = PK11_GetInternalKeySlot();
    SECOidData* curva = SECOID_FindOIDByTag(SEC_OID_ANSIX962_EC_PRIME256V1);
    std::vector<unsigned char> oid = {SEC_ASN1_OBJECT_ID,
                                      static_cast<unsigned char>(curva->oid.len)};
    oid.insert(oid.end(), curva->oid.data, curva->oid.data + curva->oid.len);
    SECItem parametros = {siBuffer, oid.data(), static_cast<unsigned>(oid.size())};
    const int n = std::atoi(argv[2]);
    int hechos = 0;
    for (int i = 0; i < n; ++i) hechos += Crear(slot, i, &parametros) ? 1 : 0;
    PK11_FreeSlot(slot);
    NSS_Shutdown();
    std::printf("%d\n", hechos);
    return hechos == n ? 0 : 1;
}
