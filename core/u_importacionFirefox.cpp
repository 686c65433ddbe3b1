#include "core/u_importacionFirefox.h"

#include "core/u_segundoPlano.h"

namespace marlevanta {

namespace {

QString Certificados(size_t n) {
    return n == 1 ? QStringLiteral("1 certificado") : QString::number(n) + " certificados";
}

}  // namespace

std::vector<PerfilParaImportar> PerfilesParaImportar(CertificadosFirefox& firefox) {
    std::vector<PerfilParaImportar> r;
    for (PerfilFirefox& perfil : firefox.PerfilesFirefox()) {
        auto leido = firefox.Leer(perfil.ruta);
        if (!leido) continue;
        PerfilParaImportar p{std::move(perfil), {}, leido->conContrasena};
        for (const CertificadoFirefox& c : leido->certificados) {
            if (!c.enAlmacen) p.faltan.push_back(c.datos.huellaSha256);
        }
        if (!p.faltan.empty()) r.push_back(std::move(p));
    }
    return r;
}

QString AvisoFirefox(const std::vector<PerfilParaImportar>& perfiles) {
    size_t total = 0;
    for (const auto& p : perfiles) total += p.faltan.size();
    if (total == 0) return {};
    return QStringLiteral("Firefox guarda ") + Certificados(total) +
           (total == 1 ? QStringLiteral(" con su clave que aún no está aquí.")
                       : QStringLiteral(" con su clave que aún no están aquí."));
}

QString AvisoFirefoxEscritorio(const std::vector<PerfilParaImportar>& perfiles, bool listaVacia,
                               QString& yaDado) {
    const QString aviso = AvisoFirefox(perfiles);
    if (aviso.isEmpty() || listaVacia || aviso == yaDado) return {};
    yaDado = aviso;
    size_t total = 0;
    for (const auto& p : perfiles) total += p.faltan.size();
    return aviso + (total == 1 ? QStringLiteral(" Pulse este aviso para importarlo.")
                               : QStringLiteral(" Pulse este aviso para importarlos."));
}

QString DescripcionPerfil(const PerfilParaImportar& p) {
    return QString::fromStdString(p.perfil.nombre) + QStringLiteral(" (") +
           QString::fromStdString(p.perfil.instalacion) + QStringLiteral("): ") +
           Certificados(p.faltan.size());
}

ImportacionFirefox::ImportacionFirefox(Fabrica fabrica, SegundoPlano& fondo, QObject* parent)
    : QObject(parent), fabrica_(std::move(fabrica)), fondo_(fondo) {}

void ImportacionFirefox::Buscar() {
    if (buscando_) return;
    if (!fabrica_) {
        perfiles_.clear();
        emit Encontrados();
        return;
    }
    buscando_ = true;
    fondo_.Ejecutar(
        this,
        [fabrica = fabrica_] {
            auto firefox = fabrica();
            return firefox ? PerfilesParaImportar(*firefox) : std::vector<PerfilParaImportar>{};
        },
        [this](std::vector<PerfilParaImportar> perfiles) {
            buscando_ = false;
            perfiles_ = std::move(perfiles);
            emit Encontrados();
        });
}

void ImportacionFirefox::Importar(size_t indice, const QString& contrasena) {
    if (importando_) return;
    // Both would open the same databases at once.
    if (buscando_) {
        Terminar(QStringLiteral("Se están buscando los perfiles de Firefox; pruebe de nuevo."));
        return;
    }
    if (!fabrica_ || indice >= perfiles_.size()) {
        Terminar(QStringLiteral("Ese perfil de Firefox ya no tiene nada que importar."));
        return;
    }
    importando_ = true;
    const PerfilParaImportar& p = perfiles_[indice];
    fondo_.Ejecutar(
        this,
        [fabrica = fabrica_, ruta = p.perfil.ruta, huellas = p.faltan,
         contrasena = contrasena.toStdString()]() -> Resultado<std::vector<CertificadoImportado>> {
            auto firefox = fabrica();
            if (!firefox) return Falla("En este sistema no se puede importar desde Firefox.");
            return firefox->Copiar(ruta, huellas, contrasena);
        },
        [this](Resultado<std::vector<CertificadoImportado>> r) { Copiado(std::move(r)); });
}

void ImportacionFirefox::Copiado(Resultado<std::vector<CertificadoImportado>> r) {
    importando_ = false;
    if (!r) {
        if (r.motivo() == kContrasenaIncorrecta) {
            emit ContrasenaIncorrecta(QStringLiteral(
                "La contraseña principal de Firefox no es correcta. Escríbala de nuevo."));
            return;
        }
        Terminar(r.motivo().empty() ? QStringLiteral("No se han podido copiar los certificados.")
                                    : QString::fromStdString(r.motivo()));
        return;
    }
    fin_ = {};
    for (const CertificadoImportado& c : *r) {
        if (c.yaEstaba) continue;
        ++fin_.copiados;
        if (!fin_.huella) fin_.huella = c.huella;
    }
    // Another program may have put them there since the search: they are shown all the same.
    if (!fin_.huella && !r->empty()) fin_.huella = r->front().huella;
    emit Terminada();
}

void ImportacionFirefox::Terminar(QString error) {
    fin_ = {std::nullopt, 0, std::move(error)};
    emit Terminada();
}

}  // namespace marlevanta
