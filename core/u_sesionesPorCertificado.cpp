#include "core/u_sesionesPorCertificado.h"

#include "core/u_manejadorRegistro.h"
#include "core/u_paginaInicio.h"
#include "core/u_segundoPlano.h"
#include "core/u_sesionNavegador.h"
#include "core/u_tablaCertificados.h"

#include <algorithm>

namespace marlevanta {

std::string IdPerfilCertificado(const QString& huella) {
    return huella.trimmed().toLower().left(16).toStdString();
}

ComandoNavegador ComandoConPerfil(Navegador navegador, ComandoNavegador comando,
                                  const std::string& carpeta) {
    if (navegador == Navegador::Firefox) {
        auto& a = comando.argumentos;
        auto i = std::find(a.begin(), a.end(), std::string("--profile"));
        if (i != a.end() && i + 1 != a.end()) {
            *(i + 1) = carpeta;
        } else {
            a.insert(a.begin(), {"--profile", carpeta});
        }
        return comando;
    }
    const std::string perfil = "--user-data-dir=";
    bool puesto = false;
    for (std::string& a : comando.argumentos) {
        if (a.rfind(perfil, 0) == 0) {
            a = perfil + carpeta;
            puesto = true;
        }
    }
    if (!puesto) comando.argumentos.insert(comando.argumentos.begin(), perfil + carpeta);
    comando.argumentos.push_back("--disk-cache-size=" + std::to_string(kCacheNavegadorPorPerfil));
    return comando;
}

SesionesPorCertificado::SesionesPorCertificado(Entorno entorno, SegundoPlano& fondo,
                                               QObject* parent)
    : QObject(parent), entorno_(std::move(entorno)), fondo_(fondo) {}

void SesionesPorCertificado::Usar(Navegador navegador, const ReglaCertificado& regla,
                                  const QString& huella, const QString& nombre,
                                  const QString& pagina, Listo listo) {
    const std::string id = IdPerfilCertificado(huella);
    if (id.size() < 16) {
        listo(Falla("Este certificado no tiene huella: no puede tener perfil."));
        return;
    }
    auto comando = ConPaginaInicio(entorno_.comandoNavegador, pagina)(navegador);
    if (!comando) {
        listo(Fallo{comando.motivo()});
        return;
    }
    auto preparar = [registro = entorno_.registro, navegador, id, regla = ReglaCertificado(regla),
                     nombre = nombre.toStdString()]() mutable {
        auto perfil = registro->PrepararPerfilCertificado(navegador, id, regla, nombre);
        std::fill(regla.contrasenaAlmacen.begin(), regla.contrasenaAlmacen.end(), '\0');
        return perfil;
    };
    auto seguir = [this, navegador, huella, comando = *comando,
                   listo](const Resultado<PerfilCertificado>& perfil) {
        listo(perfil ? Lanzar(navegador, huella, comando, perfil->carpeta)
                     : Hecho(Fallo{perfil.motivo()}));
    };
    if (navegador != Navegador::Firefox) {
        seguir(preparar());
        return;
    }
    fondo_.Ejecutar(this, std::move(preparar), std::move(seguir));
}

Hecho SesionesPorCertificado::Lanzar(Navegador navegador, const QString& huella,
                                     const ComandoNavegador& comando, const std::string& carpeta) {
    const ComandoNavegador c = ComandoConPerfil(navegador, comando, carpeta);
    auto proceso = entorno_.procesos->Iniciar(c.ejecutable, c.argumentos);
    if (!proceso) {
        return Falla("No se ha podido abrir " + NombreNavegador(navegador).toStdString() + ": " +
                     proceso.motivo());
    }
    ++abiertos_[huella];
    emit AbiertosCambiados();
    // A start on a profile that is already open hands the page over and ends at once; the
    // browser that had the profile keeps it counted.
    std::shared_ptr<ProcesoExterno> p = std::move(*proceso);
    fondo_.Ejecutar(
        this,
        [p, cancelar = fondo_.Cancelacion()] {
            while (!p->Terminado(std::chrono::milliseconds(250)) && !cancelar->load()) {
            }
            return 0;
        },
        [this, huella](int) {
            if (auto i = abiertos_.find(huella); i != abiertos_.end() && --i->second <= 0) {
                abiertos_.erase(i);
            }
            emit AbiertosCambiados();
        });
    return {};
}

std::vector<FilaPerfil> ListaPerfiles(TManejadorRegistro& registro,
                                      const TTablaCertificados& tabla) {
    std::vector<FilaPerfil> r;
    for (Navegador n : {Navegador::Chrome, Navegador::Edge, Navegador::Firefox}) {
        for (InfoPerfilCertificado& info : registro.PerfilesCertificado(n)) {
            FilaPerfil f{n, std::move(info), QStringLiteral("certificado ya no presente"), false};
            for (int i = 0; i < tabla.TotalFilas(); ++i) {
                const RegistroCertificado& c = tabla.FilaCargada(i);
                if (c.key_for_alias.isEmpty() ||
                    IdPerfilCertificado(c.key_for_alias) != f.info.id) {
                    continue;
                }
                const QString alias = c.alias.trimmed();
                f.certificado = alias.isEmpty() ? c.emitido_para.trimmed() : alias;
                f.presente = true;
                break;
            }
            r.push_back(std::move(f));
        }
    }
    return r;
}

QStringList SesionesPorCertificado::Abiertos() const {
    QStringList r;
    for (const auto& [huella, n] : abiertos_) r << huella;
    return r;
}

}  // namespace marlevanta
