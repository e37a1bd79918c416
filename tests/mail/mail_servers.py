#!/usr/bin/python3
"""Mail servers for the note e-mail tests, on 127.0.0.1 only: Dovecot serving IMAP from a
Maildir for one user with a password file, and an SMTP server (aiosmtpd) that delivers every
mail it accepts into that Maildir. Writes "ready" to the ready file once both listen, and
stops both when standard input closes or on SIGTERM.

Usage: mail_servers.py FOLDER IMAP_PORT SMTP_PORT USER PASSWORD
"""
import mailbox
import os
import signal
import subprocess
import sys
import time

from aiosmtpd.controller import Controller


def dovecot_config(folder, port, user):
    maildir = os.path.join(folder, "Maildir")
    return f"""
base_dir = {folder}/run
state_dir = {folder}/state
log_path = {folder}/dovecot.log
info_log_path = {folder}/dovecot.log
protocols = imap
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login
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
    port = 0
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
    for sub in ("run", "state", "home", "Maildir/new", "Maildir/cur", "Maildir/tmp"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    with open(os.path.join(folder, "passwd"), "w") as f:
        f.write(f"{user}:{{PLAIN}}{password}::::::\n")
    drop_root(folder)
    conf = os.path.join(folder, "dovecot.conf")
    with open(conf, "w") as f:
        f.write(dovecot_config(folder, imap_port, user))
    dovecot = subprocess.Popen(["/usr/sbin/dovecot", "-F", "-c", conf])
    controller = Controller(MaildirDelivery(os.path.join(folder, "Maildir")),
                            hostname="127.0.0.1", port=smtp_port)
    controller.start()

    def stop(*_):
        controller.stop()
        dovecot.terminate()
        dovecot.wait()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    if wait_listening(imap_port):
        with open(os.path.join(folder, "ready"), "w") as f:
            f.write("ready\n")
    sys.stdin.read()
    stop()


if __name__ == "__main__":
    main()
