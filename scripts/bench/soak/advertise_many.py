"""Advertises many Dormo Helper services at once with python3-zeroconf, for the soak benchmark.

Usage: advertise_many.py ADDRESS COUNT
Registers pc1 ... pcCOUNT (host pcN.local., port 20000 + N), all probing at the same time, and
prints "ready" once every one is registered; runs until its input ends.
"""
import asyncio
import socket
import sys

from zeroconf import IPVersion, ServiceInfo
from zeroconf.asyncio import AsyncZeroconf

SERVICE_TYPE = "_vh-dormo._tcp.local."


async def main():
    address, count = sys.argv[1], int(sys.argv[2])
    zc = AsyncZeroconf(interfaces=[address], ip_version=IPVersion.V4Only)
    infos = [ServiceInfo(SERVICE_TYPE, f"pc{n}.{SERVICE_TYPE}",
                         addresses=[socket.inet_aton(address)], port=20000 + n,
                         server=f"pc{n}.local.") for n in range(1, count + 1)]
    announcements = await asyncio.gather(*(zc.async_register_service(i) for i in infos))
    await asyncio.gather(*announcements)
    print("ready", flush=True)
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.read)
    await zc.async_close()


if __name__ == "__main__":
    asyncio.run(main())
