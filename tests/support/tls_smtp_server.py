"""A mail submission server for the tests: aiosmtpd on a loopback port with a certificate,
STARTTLS (required before anything else) or TLS from the start, and AUTH PLAIN/LOGIN for
one user. Accepted mails go to a maildir. Runs until it is killed."""

import argparse
import ssl
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import AuthResult


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--maildir", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--mode", choices=["starttls", "tls"], required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    args = parser.parse_args()

    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(args.cert, args.key)

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (auth_data.login == args.user.encode() and
              auth_data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)

    options = dict(hostname="127.0.0.1", port=args.port, authenticator=authenticate,
                   auth_required=True)
    if args.mode == "starttls":
        controller = Controller(Mailbox(args.maildir), tls_context=context,
                                require_starttls=True, auth_require_tls=True, **options)
    else:
        controller = Controller(Mailbox(args.maildir), ssl_context=context,
                                auth_require_tls=False, **options)
    controller.start()
    threading.Event().wait()


if __name__ == "__main__":
    main()
