#!/usr/bin/python3
# A print device's SMB server, as far as its share list goes: impacket's
# SimpleSMBServer with the configuration given, on one address, port 445.
#
#   smb_device.py CONFIG ADDRESS
#
# The server's share-list service (MS-SRVS) reads the same configuration,
# with each share's type as the integer the protocol carries.
import configparser
import sys

from impacket import smbserver


def main():
    config_file, address = sys.argv[1], sys.argv[2]
    config = configparser.ConfigParser()
    config.read(config_file)
    server = smbserver.SimpleSMBServer(listenAddress=address, listenPort=445, configFile=config_file)
    shares = server._SimpleSMBServer__srvsServer
    shares.setServerConfig(config)
    shares.processConfigFile()
    for share in shares._shares.values():
        share['share type'] = int(share['share type'])
    server.start()


if __name__ == '__main__':
    main()
