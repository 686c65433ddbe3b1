#!/usr/bin/env python3
"""The browser hand-over with real Chromium, as a normal user, with nothing written under /etc.

The real program runs on an X display of its own with a window manager, as an unprivileged user
(uid 65534 when the test runs as root) whose HOME is a temporary folder. Its NSS database holds
client certificates whose names need escaping and two certificates of the same name from two
issuers. A `google-chrome` first on PATH runs Debian's headless Chromium against an
`openssl s_server` on 127.0.0.1 that asks for a client certificate and shows the one it got.
Each certificate is chosen in the main window with the keyboard, as a user would, and the server
must have received exactly that certificate, without any prompt. While the first run's browser
is open, a second copy of the program is started and closed: the run's rule must stay.

Usage: navegador_real.py BIN_DIR TESTS_DIR. Exit 77 (skipped) without Chromium, Xvfb, openbox,
xdotool or the NSS tools.
"""
import glob
import json
import os
import re
import shlex
import shutil
import socket
import subprocess
import sys
import tempfile

from comun_pruebas import SALTAR, Pantalla, ajustes, esperar, titulo_principal

NADIE = 65534


def ejecutar(orden, **kw):
    return subprocess.run(orden, shell=True, check=True, capture_output=True, text=True, **kw)


def huella(pem, algoritmo="sha256"):
    salida = subprocess.run(["openssl", "x509", "-noout", "-fingerprint", "-" + algoritmo],
                            input=pem, capture_output=True, text=True, check=True).stdout
    return salida.strip().split("=", 1)[1].replace(":", "").upper()


def regla(home):
    """The filters of the program's rule in its Chrome profile, or None."""
    try:
        with open(os.path.join(home, "Marlevanta/chrome/Default/Preferences"),
                  encoding="utf-8") as f:
            p = json.load(f)
    except FileNotFoundError:
        return None
    r = p.get("profile", {}).get("content_settings", {}).get("exceptions", {}).get(
        "auto_select_certificate", {}).get("https://*,*")
    return r["setting"]["filters"] if r else None


def certificados(d):
    """Two CAs, the server's certificate and the clients'; their SHA-256 fingerprints."""
    ejecutar("bash " + shlex.quote(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                               "ca_tls_prueba.sh")), cwd=d)
    # name, CA, days of validity (the browser prefers the one that ends later), alias
    clientes = [
        ("comillas", 'CARLOS "EL" BARRA\\ - 33333333C', "uno", 20, "ELEGIDOA"),
        ("parecido", 'CARLOS "EL" BARRA - 33333333C', "uno", 40, ""),
        ("gemelouno", "GEMELO 12345678Z", "uno", 40, ""),
        ("gemelodos", "GEMELO 12345678Z", "dos", 20, "ELEGIDOB"),
    ]
    huellas = {}
    alias = {}
    for nick, cn, ca, dias, apodo in clientes:
        sujeto = "/CN=" + cn.replace("\\", "\\\\").replace("/", "\\/").replace("+", "\\+")
        subprocess.run(["openssl", "req", "-new", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:P-256", "-nodes", "-keyout", nick + ".key", "-out",
                        nick + ".csr", "-subj", sujeto, "-utf8", "-config", "ca.cnf"],
                       cwd=d, check=True, capture_output=True)
        subprocess.run(["openssl", "x509", "-req", "-in", nick + ".csr", "-CA", "ca%s.pem" % ca,
                        "-CAkey", "ca%s.key" % ca, "-CAcreateserial", "-out", nick + ".pem",
                        "-days", str(dias), "-extfile", "ca.cnf", "-extensions", "cliente"],
                       cwd=d, check=True, capture_output=True)
        leido = ejecutar("openssl x509 -in %s.pem -noout -subject -nameopt "
                         "utf8,sep_comma_plus,-esc_2253,-esc_msb,-esc_ctrl" % nick, cwd=d).stdout
        assert leido.strip() == "subject=CN=" + cn, leido
        with open(os.path.join(d, nick + ".pem")) as f:
            pem = f.read()
        huellas[nick] = huella(pem)
        if apodo:
            alias[huella(pem, "sha1")] = apodo
    return clientes, huellas, alias


def como_usuario(binarios, d):
    """Everything the user does, as that user."""
    home = os.path.join(d, "home")
    log = os.path.join(d, "log")
    os.makedirs(home)
    os.makedirs(log)
    trabajo = os.path.join(d, "trabajo")
    os.makedirs(trabajo)
    clientes, huellas, alias = certificados(trabajo)
    nssdb = os.path.join(home, ".pki/nssdb")
    os.makedirs(nssdb)
    ejecutar("certutil -N -d sql:%s --empty-password" % nssdb)
    for nick, *_ in clientes:
        ejecutar("openssl pkcs12 -export -inkey {0}.key -in {0}.pem -name {0} -out {0}.p12 "
                 "-passout pass: && pk12util -i {0}.p12 -d sql:{1} -W '' >/dev/null"
                 .format(nick, nssdb), cwd=trabajo)
    ejecutar("certutil -A -d sql:%s -n 'AC Prueba uno' -t C,, -i cauno.pem" % nssdb, cwd=trabajo)

    procesos = []
    try:
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            puerto = s.getsockname()[1]
        servidor = subprocess.Popen(
            ["openssl", "s_server", "-accept", "127.0.0.1:%d" % puerto, "-www", "-Verify", "1",
             "-cert", "srv.pem", "-key", "srv.key", "-CAfile", "cas.pem"], cwd=trabajo,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        procesos.append(servidor)

        def escucha():
            with socket.socket() as c:
                return c.connect_ex(("127.0.0.1", puerto)) == 0
        esperar(escucha, 10, "el servidor TLS escuche")

        # The browser: holds while the test asks it to, with the rule already in force, then
        # Debian's Chromium, headless, with a time limit (without the rule it would wait for a
        # certificate choice that never comes).
        binario = os.path.join(d, "bin")
        os.makedirs(binario)
        chrome = os.path.join(binario, "google-chrome")
        with open(chrome, "w") as f:
            f.write("""#!/bin/sh
echo "$@" >> '{log}/argumentos'
if [ -e '{log}/esperar' ]; then
  touch '{log}/en-espera'
  while [ ! -e '{log}/seguir' ]; do sleep 0.1; done
fi
n=$(ls '{log}' | grep -c '^pagina-')
timeout 60 /usr/bin/chromium --headless --disable-gpu --no-first-run \\
  --disable-background-networking --disable-component-update --disable-sync --disable-quic \\
  "$@" --dump-dom https://127.0.0.1:{puerto}/ > '{log}/pagina-'$n'.html' 2>>'{log}/chromium.log'
echo $? > '{log}/fin-'$n
""".format(log=log, puerto=puerto))
        os.chmod(chrome, 0o755)

        ajustes(os.path.join(home, ".config/Velquorin/marlevanta/registry.db"),
                {"PanelComprobarActualizaciones": "0", "PanelConfirmarSalida": "1",
                 "ApiHost": "https://127.0.0.1:1"}, alias)
        # The time zone dates the main window's title, which finds the window.
        entorno = {"HOME": home, "PATH": binario + ":/usr/bin:/bin", "LANG": "es_ES.UTF-8",
                   "LC_ALL": "es_ES.UTF-8", "TZ": "Europe/Madrid", "QT_QPA_PLATFORM": "xcb",
                   "TMPDIR": d, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                   "XDG_CACHE_HOME": os.path.join(home, ".cache")}
        pantalla = Pantalla(entorno, procesos)
        programa = os.path.join(binarios, "marlevanta")
        titulo = titulo_principal(programa, "Europe/Madrid")
        # Each copy in a session of its own, so that its browser goes with it at the end.
        salida = open(os.path.join(log, "programa.log"), "w")

        def copia():
            p = subprocess.Popen([programa], env=pantalla.entorno, stdout=salida, stderr=salida,
                                 start_new_session=True)
            procesos.append(p)
            return p
        uno = copia()
        pantalla.ventana(titulo, uno.pid)

        def abierta():
            """The browser choice, opened with Return: it does nothing until the certificates
            have loaded on their worker (the search typed before applies to them as they come),
            so it is pressed again while the choice does not show."""
            if not pantalla.buscar("Elegir navegador", uno.pid):
                pantalla.teclas(titulo, "Return", pid=uno.pid)
            try:
                return pantalla.ventana("Elegir navegador", uno.pid, segundos=10)
            except AssertionError:
                return None

        def usar(apodo):
            # F3 goes to the search box; the alias finds the row.
            pantalla.teclas(titulo, "F3", "ctrl+a", "BackSpace", pid=uno.pid)
            pantalla.teclas(titulo, pid=uno.pid, texto=apodo)
            esperar(abierta, 60, "la elección de navegador se abra con Return")
            pantalla.teclas("Elegir navegador", "c", pid=uno.pid)

        def terminar(n):
            esperar(lambda: os.path.exists(os.path.join(log, "fin-%d" % n)), 90,
                    "Chromium termine")
            esperar(lambda: regla(home) is None, 20, "la regla se quite")
            pantalla.cerrar("Elegir navegador", "Escape", pid=uno.pid)
            with open(os.path.join(log, "pagina-%d.html" % n), encoding="utf-8") as f:
                pagina = f.read()
            m = re.search(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", pagina,
                          re.S)
            assert m, "el servidor no recibió ningún certificado:\n" + pagina[:3000]
            return huella(m.group(0) + "\n")

        # (a) A name with a quote and a backslash, beside a near twin the browser would prefer.
        open(os.path.join(log, "esperar"), "w").close()
        usar("ELEGIDOA")
        esperar(lambda: os.path.exists(os.path.join(log, "en-espera")), 30,
                "el navegador empiece")
        filtros = regla(home)
        assert filtros == [{"SUBJECT": {"CN": 'CARLOS "EL" BARRA\\ - 33333333C'},
                            "ISSUER": {"CN": "AC Prueba uno"}}], filtros
        propio = "/etc/chromium/policies/managed/marlevanta-%d.json" % os.getuid()
        assert not os.path.exists(propio), propio
        # A second copy starts and closes meanwhile: the run's rule stays.
        dos = copia()
        pantalla.ventana(titulo, dos.pid)
        assert regla(home) == filtros, "la segunda copia quitó la regla al arrancar"
        pantalla.teclas(titulo, "Escape", pid=dos.pid)
        pantalla.teclas("Confirmar", "Return", pid=dos.pid)
        esperar(lambda: dos.poll() is not None, 20, "la segunda copia termine")
        assert regla(home) == filtros, "la segunda copia quitó la regla al cerrarse"
        os.remove(os.path.join(log, "esperar"))
        open(os.path.join(log, "seguir"), "w").close()
        recibido = terminar(0)
        assert recibido == huellas["comillas"], "el servidor recibió otro certificado: " + \
            str([k for k, v in huellas.items() if v == recibido])
        print("(a) el servidor recibió el certificado del nombre con comillas y barra")

        # (b) One of two certificates of the same name from two issuers: the one chosen.
        usar("ELEGIDOB")
        recibido = terminar(1)
        assert recibido == huellas["gemelodos"], "el servidor recibió otro certificado: " + \
            str([k for k, v in huellas.items() if v == recibido])
        print("(b) el servidor recibió el gemelo elegido, el de la segunda autoridad")

        with open(os.path.join(log, "argumentos")) as f:
            argumentos = f.read().split("\n")
        assert argumentos[0] == "--user-data-dir=" + os.path.join(home, "Marlevanta/chrome"), \
            argumentos
        pantalla.teclas(titulo, "Escape", pid=uno.pid)
        pantalla.teclas("Confirmar", "Return", pid=uno.pid)
        esperar(lambda: uno.poll() is not None, 20, "el programa termine")
        assert regla(home) is None
        assert not glob.glob("/etc/*/policies/managed/marlevanta-%d.json" % os.getuid()) and \
            not glob.glob("/etc/opt/*/policies/managed/marlevanta-%d.json" % os.getuid())
        print("bien")
        return 0
    finally:
        open(os.path.join(log, "seguir"), "w").close()
        for p in reversed(procesos):
            try:
                if os.getpgid(p.pid) == p.pid:
                    os.killpg(p.pid, 9)
            except (ProcessLookupError, PermissionError):
                pass
            if p.poll() is None:
                p.kill()
            p.wait()


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--como-usuario":
        return como_usuario(sys.argv[2], sys.argv[3])
    binarios, pruebas = sys.argv[1], sys.argv[2]
    faltan = [p for p in ("chromium", "Xvfb", "openbox", "xdotool", "certutil", "pk12util",
                          "openssl") if not shutil.which(p)]
    if faltan:
        print("falta %s: prueba saltada" % ", ".join(faltan))
        return SALTAR
    d = tempfile.mkdtemp(prefix="navegador-real-")
    try:
        programa = os.path.join(d, "programa")
        os.makedirs(programa)
        for nombre in ("marlevanta", "libmarlevanta_ayuda.so", "libmarlevanta_http.so",
                       "libmarlevanta_nss.so", "pqrvr"):
            shutil.copy2(os.path.join(binarios, nombre), programa)
        aqui = os.path.dirname(os.path.abspath(__file__))
        for guion in (os.path.basename(__file__), "comun_pruebas.py", "ca_tls_prueba.sh"):
            shutil.copy2(os.path.join(aqui, guion), d)
        orden = ["python3", os.path.join(d, os.path.basename(__file__)), "--como-usuario",
                 programa, d]
        if os.getuid() == 0:
            # A normal user: the browser's sandbox works and nothing may be written under /etc.
            os.chmod(d, 0o755)
            for raiz, carpetas, archivos in os.walk(d):
                for n in carpetas + archivos:
                    os.lchown(os.path.join(raiz, n), NADIE, NADIE)
            os.chown(d, NADIE, NADIE)
            orden = ["setpriv", "--reuid=%d" % NADIE, "--regid=%d" % NADIE, "--clear-groups",
                     "env", "-i", "PATH=/usr/bin:/bin", "HOME=" + os.path.join(d, "home")] + orden
        r = subprocess.run(orden).returncode
        if os.getuid() == 0 and r == 0:
            suyos = ejecutar("find /etc -xdev -uid %d" % NADIE).stdout.strip()
            assert not suyos, "archivos del usuario bajo /etc: " + suyos
        return r
    finally:
        shutil.rmtree(d, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
