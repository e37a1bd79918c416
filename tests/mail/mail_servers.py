#!/usr/bin/python3
"""Mail servers for the note e-mail tests, on 127.0.0.1 only: Dovecot serving IMAP from a
Maildir for one user with a password file, and an SMTP server (aiosmtpd) that delivers every
mail it accepts into that Maildir. Writes "ready" to the ready file once both listen, and
stops both when standard input closes or on SIGTERM.

Given a certificate and its key, both speak TLS with it: IMAP with STARTTLS on IMAP_PORT and
IMAPS on IMAPS_PORT, SMTP with STARTTLS (required, and the log-on too) on SMTP_PORT and SMTPS
on SMTPS_PORT. Every SMTP log-on attempt is written to smtp-auth.log; Dovecot's log tells its
own.

Usage: mail_servers.py FOLDER IMAP_PORT SMTP_PORT USER PASSWORD [CERT KEY IMAPS_PORT SMTPS_PORT]
"""
import mailbox
import os
import shutil
import signal
import ssl
import subprocess
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


def tls_config(folder, imaps_port):
    if imaps_port is None:
        return "ssl = no\n", "0"
    return (f"ssl = yes\nssl_cert = <{folder}/server.pem\nssl_key = <{folder}/server.key\n"
            "verbose_ssl = yes\n", str(imaps_port))


def dovecot_config(folder, port, user, imaps_port=None):
    maildir = os.path.join(folder, "Maildir")
    ssl_lines, imaps = tls_config(folder, imaps_port)
    return f"""
base_dir = {folder}/run
state_dir = {folder}/state
log_path = {folder}/dovecot.log
info_log_path = {folder}/dovecot.log
protocols = imap
listen = 127.0.0.1
{ssl_lines}disable_plaintext_auth = no
auth_mechanisms = plain login
auth_verbose = yes
{service_users()}first_valid_uid = 1
mail_location = maildir:{maildir}
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {folder}/passwd
}}
userdb {{
  driver = static
  args = uid={os.getuid()} gid={os.getgid()} home={folder}/home
}}
service imap-login {{
  inet_listener imap {{
    address = 127.0.0.1
    port = {port}
  }}
  inet_listener imaps {{
    address = 127.0.0.1
    port = {imaps}
  }}
  chroot =
}}
service anvil {{
  chroot =
}}
service stats {{
  inet_listener http {{
    port = 0
  }}
}}
"""


def service_users():
    # Every Dovecot process runs as this (unprivileged) user.
    import pwd
    me = pwd.getpwuid(os.getuid()).pw_name
    return f"default_internal_user = {me}\ndefault_login_user = {me}\n"


def drop_root(folder):
    """Dovecot serves no mail as root: run as the user its package made."""
    if os.getuid() != 0:
        return
    import pwd
    entry = pwd.getpwnam("dovecot")
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            os.chown(os.path.join(root, name), entry.pw_uid, entry.pw_gid)
    os.chown(folder, entry.pw_uid, entry.pw_gid)
    os.setgroups([])
    os.setgid(entry.pw_gid)
    os.setuid(entry.pw_uid)


class MaildirDelivery:
    def __init__(self, maildir):
        self.maildir = maildir

    async def handle_DATA(self, server, session, envelope):
        mailbox.Maildir(self.maildir, create=True).add(envelope.original_content)
        return "250 OK"


class LogonCheck:
    """Takes the one user's password, and writes down every attempt."""

    def __init__(self, log, user, password):
        self.log, self.user, self.password = log, user, password

    def __call__(self, server, session, envelope, mechanism, auth_data):
        login = auth_data.login.decode(errors="replace")
        ok = login == self.user and auth_data.password.decode(errors="replace") == self.password
        with open(self.log, "a") as f:
            f.write(f"{mechanism} {login} {'ok' if ok else 'refused'}\n")
        return AuthResult(success=ok, handled=False)


def server_context(folder):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))
    return context


def smtp_servers(folder, smtp_port, smtps_port, user, password):
    delivery = MaildirDelivery(os.path.join(folder, "Maildir"))
    if smtps_port is None:
        return [Controller(delivery, hostname="127.0.0.1", port=smtp_port)]
    context = server_context(folder)
    logon = dict(authenticator=LogonCheck(os.path.join(folder, "smtp-auth.log"), user, password),
                 auth_required=True, auth_require_tls=True)
    return [Controller(delivery, hostname="127.0.0.1", port=smtp_port, tls_context=context,
                       require_starttls=True, **logon),
            # TLS from the start, which this aiosmtpd does not count as TLS for the log-on.
            Controller(delivery, hostname="127.0.0.1", port=smtps_port, ssl_context=context,
                       **dict(logon, auth_require_tls=False))]


def wait_listening(port, limit=20.0):
    import socket
    end = time.time() + limit
    while time.time() < end:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def main():
    folder, imap_port, smtp_port, user, password = sys.argv[1:6]
    imap_port, smtp_port = int(imap_port), int(smtp_port)
    imaps_port = smtps_port = None
    for sub in ("run", "state", "home", "Maildir/new", "Maildir/cur", "Maildir/tmp"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    if len(sys.argv) > 9:
        shutil.copyfile(sys.argv[6], os.path.join(folder, "server.pem"))
        shutil.copyfile(sys.argv[7], os.path.join(folder, "server.key"))
        imaps_port, smtps_port = int(sys.argv[8]), int(sys.argv[9])
    with open(os.path.join(folder, "passwd"), "w") as f:
        f.write(f"{user}:{{PLAIN}}{password}::::::\n")
    drop_root(folder)
    conf = os.path.join(folder, "dovecot.conf")
    with open(conf, "w") as f:
        f.write(dovecot_config(folder, imap_port, user, imaps_port))
    dovecot = subprocess.Popen(["/usr/sbin/dovecot", "-F", "-c", conf])
    controllers = smtp_servers(folder, smtp_port, smtps_port, user, password)
    for controller in controllers:
        controller.start()

    def stop(*_):
        for controller in controllers:
            controller.stop()
        dovecot.terminate()
        dovecot.wait()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    if wait_listening(imap_port) and (imaps_port is None or wait_listening(imaps_port)):
        with open(os.path.join(folder, "ready"), "w") as f:
            f.write("ready\n")
    sys.stdin.read()
    stop()


if __name__ == "__main__":
    main()
