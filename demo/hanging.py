"""What the misbehaving HTTP servers share: a reply that never comes."""


class HangsUntilClientLeaves:
    """Mixed into a BaseHTTPRequestHandler: holds the request, answering nothing."""

    def wait_for_client_to_leave(self):
        try:
            while self.rfile.read(1):
                pass
        except OSError:
            pass
        self.close_connection = True
