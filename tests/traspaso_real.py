#!/usr/bin/env python3
"""The update's hand-over with real processes.

The program runs on an X display of its own with a window manager; a web API on 127.0.0.1 offers
a newer version; the update is accepted at the start-up question and in the updater window with
keys, as a user would. Then the program must end within seconds, the external updater must find
it ended (not wait out its limit), install the package and start the new program exactly once.

Usage: traspaso_real.py BIN_DIR TESTS_DIR. Exit 77 (skipped) without Xvfb, openbox or xdotool.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

from comun_pruebas import SALTAR, Pantalla, ajustes, en_marcha, esperar


def main():
    binarios, pruebas = sys.argv[1], sys.argv[2]
    if not all(shutil.which(p) for p in ("Xvfb", "openbox", "xdotool")):
        print("sin Xvfb, openbox o xdotool: prueba saltada")
        return SALTAR
    d = tempfile.mkdtemp(prefix="traspaso-")
    procesos = []
    try:
        programa = os.path.join(d, "programa")
        os.makedirs(programa)
        for nombre in ("marlevanta", "libmarlevanta_ayuda.so", "libmarlevanta_http.so",
                       "libmarlevanta_nss.so", "tqUpd.exe", "tqUnz.dll"):
            shutil.copy2(os.path.join(binarios, nombre), programa)
        arranques = os.path.join(d, "arranques")
        # The new version: a program that notes each start.
        paquete = os.path.join(d, "paquete.zip")
        with zipfile.ZipFile(paquete, "w") as z:
            info = zipfile.ZipInfo("marlevanta")
            info.create_system = 3
            info.external_attr = 0o755 << 16
            z.writestr(info, "#!/bin/sh\necho $$ >> '%s'\n" % arranques)

        subprocess.run(
            "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout srv.key"
            " -out srv.pem -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -days 2",
            shell=True, cwd=d, check=True, capture_output=True)
        servidor = subprocess.Popen(
            ["python3", os.path.join(pruebas, "servidor_api.py"), "--tls",
             os.path.join(d, "srv.pem"), os.path.join(d, "srv.key"), "--respuesta", "/version",
             "10005\\nUna versión nueva", "--respuesta", "/updatefile", "{base}/paquete",
             "--paquete", paquete], stdout=subprocess.PIPE, text=True)
        procesos.append(servidor)
        puerto = servidor.stdout.readline().split()[1]

        home = os.path.join(d, "home")
        ajustes(os.path.join(home, ".config/Velquorin/marlevanta/registry.db"),
                {"ApiHost": "https://127.0.0.1:" + puerto, "PanelComprobarActualizaciones": "1",
                 "PanelConfirmarSalida": "1"})
        entorno = dict(os.environ, HOME=home, TMPDIR=d,
                       XDG_CONFIG_HOME=os.path.join(home, ".config"),
                       XDG_CACHE_HOME=os.path.join(home, ".cache"),
                       SSL_CERT_FILE=os.path.join(d, "srv.pem"), QT_QPA_PLATFORM="xcb",
                       # Without it the toolkit loads Mesa's software GL driver, which is
                       # unloaded at exit holding 128 bytes the leak checker can then no longer
                       # name; this program draws nothing with GL.
                       QT_XCB_GL_INTEGRATION="none",
                       LSAN_OPTIONS="suppressions=" + os.path.join(pruebas, "lsan.supp"))
        pantalla = Pantalla(entorno, procesos)
        errores = open(os.path.join(d, "errores.txt"), "w")
        viejo = subprocess.Popen([os.path.join(programa, "marlevanta"), "/demo"],
                                 env=pantalla.entorno, stderr=errores)
        procesos.append(viejo)

        # "Existe la versión 1.0.5 ...": Sí
        pantalla.teclas("Confirmar", "Return", pid=viejo.pid)
        pantalla.teclas("Actualizar QRVfinder", "alt+a", pid=viejo.pid)
        # No is the default here: Sí
        pantalla.teclas("Confirmar", "shift+Tab", "Return", pid=viejo.pid)
        pedido = time.time()
        esperar(lambda: viejo.poll() is not None, 10, "el programa termine tras el traspaso")
        print("el programa terminó %.1f s después de aceptar" % (time.time() - pedido))
        errores.close()
        with open(os.path.join(d, "errores.txt"), encoding="utf-8", errors="replace") as f:
            assert viejo.returncode == 0, "salida %d:\n%s" % (viejo.returncode, f.read()[-3000:])

        # In the user's own folder beside the package, not in the shared temporary one.
        registro = os.path.join(home, ".cache/marlevanta/tqUpd.log")
        assert not os.path.exists(os.path.join(d, "tqUpd.log"))
        esperar(lambda: os.path.exists(arranques), 20, "la versión nueva arranque")
        # A second copy could only come from a process of the program's folder: once the
        # updater and what it started have all ended, none is left to start another.
        carpeta = programa + os.sep

        def de_la_carpeta():
            return [" ".join(args) for _, args in en_marcha().values()
                    if any(carpeta in a for a in args)]
        esperar(lambda: not de_la_carpeta(), 30, "terminen el actualizador y lo que arrancó",
                lambda: "en marcha: %r" % de_la_carpeta())
        with open(registro, encoding="utf-8") as f:
            texto = f.read()
        print(texto)
        assert "el programa ha terminado" in texto, "el actualizador no vio terminar el programa"
        assert "sigue en marcha" not in texto
        assert "paquete instalado" in texto
        with open(arranques, encoding="utf-8") as f:
            assert len(f.read().split()) == 1, "la versión nueva arrancó más de una vez"
        print("bien")
        return 0
    finally:
        for p in reversed(procesos):
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(d, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
