"""What the Modbus tests in this folder share: a one-frame project and the way a test fails."""
import os
import sys


class Failure(Exception):
    pass


def write_project(folder, rx_map_rows):
    """A 2.0A project at 127.0.0.1 that receives 0x181 (8 bytes) into the given map rows."""
    os.makedirs(os.path.join(folder, "bin"))
    files = {
        "pargen.xml": '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="127" '
                      'IPB2="0" IPB3="0" IPB4="1"/><SUBNET SMB1="255" SMB2="0" SMB3="0" SMB4="0"/>'
                      "<Port>502</Port></GeneralParameter>",
        "RCobDef.xml": '<COBID><row CobID="0x181" Dimensin="8" Mnemonic=""/></COBID>',
        "RInfoCob.xml": "<RInfoCob>%s</RInfoCob>" % "".join(
            '<row Index="%d" NrPdo="1" PosComp="%d"/>' % row for row in rx_map_rows),
        "TCobDef.xml": "<COBID></COBID>",
        "TInfoCob.xml": "<TInfoCob></TInfoCob>",
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)


def run(main):
    """Runs the test's main: a Failure is printed and ends the test with status 1."""
    try:
        main()
    except Failure as failure:
        print("FAIL: %s" % failure)
        sys.exit(1)
