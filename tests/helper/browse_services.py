#!/usr/bin/python3
# Lists the "_vh-dormo._tcp" services seen on one interface address, one line each: name,
# (host, addresses, port), then the TXT strings as "key=value" joined by blanks.
# Usage: browse_services.py INTERFACE_ADDRESS SECONDS
import sys
import time

from zeroconf import IPVersion, ServiceBrowser, Zeroconf

SERVICE_TYPE = "_vh-dormo._tcp.local."
names = set()
zc = Zeroconf(interfaces=[sys.argv[1]], ip_version=IPVersion.V4Only)
ServiceBrowser(zc, SERVICE_TYPE, handlers=[lambda name, **_: names.add(name)])
time.sleep(float(sys.argv[2]))
for name in sorted(names):
    info = zc.get_service_info(SERVICE_TYPE, name, 3000)
    if info:
        txt = " ".join(f"{k.decode()}={(v or b'').decode()}" for k, v in info.properties.items())
        print(name, (info.server, info.parsed_addresses(), info.port), txt)
zc.close()
