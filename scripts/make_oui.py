#!/usr/bin/env python3
"""Generates data/OUI.TXT, Quenlix's manufacturer file, from the IEEE MA-L
registry as Debian's ieee-data package installs it (/usr/share/ieee-data/oui.txt).

Usage: scripts/make_oui.py [REGISTRY [OUTPUT]]
(defaults: the registry above and data/OUI.TXT of this repository)

OUI.TXT layout: columns 1-6 the prefix as six upper-case hexadecimal digits,
column 7 a blank, columns 8-13 a short name of at most six characters; prefixes
ascending; comment lines start with "/*". The program loads at most 1900
entries, far fewer than the registry holds, so the file keeps the prefixes that
matter most on a LAN.

Selection rule, applied in this order until 1900 prefixes are chosen:
  1. A few prefixes that are not in the registry but are common on LANs
     (QEMU/KVM virtual NICs 52-54-00), and the registered prefixes of
     WELL_KNOWN_PREFIXES, the best-known network adapters of the classic era.
  2. The classic LAN-era blocks in full: every registered prefix 00-00-xx,
     08-00-xx and AA-00-xx, and those with the locally administered bit
     (02-xx-xx, such as 3Com's 02-60-8C).
  3. The makers of network adapters, switches, routers, PCs and servers listed
     in MANUFACTURERS below: for each, its lowest-numbered (and so mostly its
     earliest-assigned) prefixes, at most PER_MAKER of them.
  4. The remaining prefixes of the blocks assigned in the 1980s and 1990s, the
     era of the analysers whose traces Quenlix reads, block by block in the
     order of FILL_BLOCKS and ascending within a block.
Entries of the registry's own placeholders ("Private", "IEEE Registration
Authority": blocks sub-assigned to many small organisations) are never chosen.

Short names: the name of the matching MANUFACTURERS entry, or of PREFIX_NAMES
for single prefixes; otherwise the organisation's first significant word
(company-form words such as Inc, Corp, Ltd dropped; all-capital words
title-cased), shortened to six characters by dropping its vowels from the
right and then cutting; when that word is too common to tell organisations
apart ("Network", "Digital", a city name), the first three letters of the
first two words.

Only the Python standard library is used; the output depends only on the
registry file.
"""

import os
import re
import sys
import unicodedata

REGISTRY = "/usr/share/ieee-data/oui.txt"
OUTPUT = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data", "OUI.TXT")
CAPACITY = 1900
PER_MAKER = 24
NAME_LENGTH = 6

# Prefixes not in the registry that show up on LANs all the same.
EXTRA_PREFIXES = {
    "525400": "QEMU",
}

# Prefixes of the best-known network adapters of the classic LAN era, chosen
# whatever the rules below would say.
WELL_KNOWN_PREFIXES = [
    "00AA00", "00A0C9", "009027", "00D0B7",  # Intel EtherExpress and PRO
    "00A024", "0050DA", "0020AF", "00608C",  # 3Com EtherLink
    "00C04F",                                # Dell
    "00400B",                                # Cisco
    "00A0CC",                                # Lite-On (PNIC clones)
    "0040F4",                                # Cameo
    "00C0F0",                                # Kingston
    "0010A4",                                # Xircom
    "00E04C",                                # Realtek
    "00E029",                                # SMC
    "0000C0",                                # Western Digital / SMC
    "080020",                                # Sun
]

# Short names of single prefixes whose registered owner says little on a LAN.
PREFIX_NAMES = {
    "080027": "VBox",    # VirtualBox virtual NICs
    "00155D": "HyperV",  # Hyper-V virtual NICs
    "00163E": "Xen",
    "001C42": "Prlls",   # Parallels virtual NICs
    "0003FF": "VirtPC",  # Virtual PC
    "02608C": "3Com",
    "080020": "Sun",
    "0010A4": "Xircom",
}

# LAN manufacturers: a pattern matched against the registered organisation
# (case-insensitive, first match wins) and the short name.
MANUFACTURERS = [
    (r"^cisco", "Cisco"),
    (r"^intel\b", "Intel"),
    (r"^3com", "3Com"),
    (r"^hewlett[ -]?packard enterprise|^hpe\b", "HPE"),
    (r"^hewlett[ -]?packard|^hp\b|^hp inc", "HP"),
    (r"^aruba", "Aruba"),
    (r"^(ibm|international business machines)", "IBM"),
    (r"^novell", "Novell"),
    (r"^realtek", "Realtk"),
    (r"^broadcom", "Brdcom"),
    (r"^dell\b", "Dell"),
    (r"^apple\b", "Apple"),
    (r"^digital equipment", "DEC"),
    (r"^xerox", "Xerox"),
    (r"^standard microsystems|^smc networks", "SMC"),
    (r"^proteon", "Proteo"),
    (r"^madge (ltd|networks)", "Madge"),
    (r"^cabletron", "Cabltr"),
    (r"^bay networks", "Bay"),
    (r"^synoptics", "SynOpt"),
    (r"^wellfleet", "Wllflt"),
    (r"^nortel", "Nortel"),
    (r"^juniper", "Junipr"),
    (r"^vmware", "VMware"),
    (r"^microsoft", "Msoft"),
    (r"^ungermann", "UB"),
    (r"^western digital", "WD"),
    (r"^racal", "Racal"),
    (r"^olicom", "Olicom"),
    (r"^compaq", "Compaq"),
    (r"^sun microsystems", "Sun"),
    (r"^silicon graphics", "SGI"),
    (r"^netgear", "Netgr"),
    (r"^d-link", "D-Link"),
    (r"^tp-link", "TPLink"),
    (r"^cisco-linksys|^linksys", "Lnksys"),
    (r"^extreme networks", "Extrem"),
    (r"^foundry networks", "Foundr"),
    (r"^brocade", "Brocad"),
    (r"^allied telesi[sy]n?", "Allied"),
    (r"^zyxel", "Zyxel"),
    (r"^ubiquiti", "Ubnt"),
    (r"^arista", "Arista"),
    (r"^huawei", "Huawei"),
    (r"^(new )?h3c", "H3C"),
    (r"^lenovo", "Lenovo"),
    (r"^asustek", "Asus"),
    (r"^super micro", "SuprMc"),
    (r"^mellanox", "Mellnx"),
    (r"^marvell", "Marvel"),
    (r"^(atheros|qualcomm atheros)", "Athros"),
    (r"^nvidia", "Nvidia"),
    (r"^emulex", "Emulex"),
    (r"^qlogic", "QLogic"),
    (r"^avaya", "Avaya"),
    (r"^alcatel", "Alcatl"),
    (r"^enterasys", "Entrsy"),
    (r"^fortinet", "Frtnet"),
    (r"^palo alto", "PaloAl"),
    (r"^ruckus", "Ruckus"),
    (r"^meraki|^cisco meraki", "Meraki"),
    (r"^raspberry pi", "RaspPi"),
    (r"^toshiba", "Toshba"),
    (r"^fujitsu", "Fujtsu"),
    (r"^nec\b", "NEC"),
    (r"^acer\b", "Acer"),
    (r"^gateway", "Gatewy"),
    (r"^wistron", "Wstrn"),
    (r"^hon hai", "HonHai"),
    (r"^quanta", "Quanta"),
    (r"^asix", "ASIX"),
    (r"^davicom", "Davicm"),
    (r"^national semiconductor", "NatSem"),
    (r"^advanced micro devices|^amd\b", "AMD"),
]

# Blocks of the classic LAN era used to fill the table, in order.
FILL_BLOCKS = ["0080", "0060", "00A0", "00C0", "0040", "0020", "00E0", "0010",
               "0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
               "0009", "000A", "000B", "000C", "000D", "000E", "000F"]

PLACEHOLDER_ORGANISATIONS = {"private", "ieee registration authority"}

COMPANY_FORMS = {
    "the", "inc", "incorporated", "corp", "corporation", "co", "company", "ltd",
    "limited", "llc", "gmbh", "ag", "sa", "sas", "sarl", "bv", "nv", "plc", "kk",
    "oy", "ab", "as", "spa", "srl", "pty", "pte", "se", "mbh", "kg", "de", "cv",
}

# First words too common to tell organisations apart; such a name is built from
# the first three letters of its first two words instead ("Network General" ->
# "NetGen").
GENERIC_WORDS = {
    "network", "networks", "data", "digital", "computer", "computers", "system",
    "systems", "technology", "technologies", "communication", "communications",
    "advanced", "general", "international", "national", "american", "applied",
    "micro", "info", "information", "electronic", "electronics", "electric",
    "telecom", "global", "united", "integrated", "new", "china", "shenzhen",
    "beijing", "shanghai", "guangdong", "hangzhou", "zhejiang", "jiangsu",
    "guangzhou", "suzhou", "xiamen", "dongguan", "nanjing", "wuhan", "chengdu",
}

REGISTRY_LINE = re.compile(r"^([0-9A-F]{6})\s+\(base 16\)\s*(.*?)\s*$")


def read_registry(path):
    """Returns {prefix: organisation} of the registry file."""
    organisations = {}
    with open(path, encoding="utf-8", errors="replace") as registry:
        for line in registry:
            match = REGISTRY_LINE.match(line)
            if match:
                organisations.setdefault(match.group(1), match.group(2))
    return organisations


def is_placeholder(organisation):
    return organisation.strip().lower() in PLACEHOLDER_ORGANISATIONS or not organisation.strip()


def maker_of(organisation):
    """The short name of the listed manufacturer the organisation is, or None."""
    for pattern, name in MANUFACTURERS:
        if name and re.search(pattern, organisation, re.IGNORECASE):
            return name
    return None


def shorten(word):
    """Drops vowels from the right (never the first letter), then cuts to six."""
    letters = list(word)
    index = len(letters) - 1
    while len(letters) > NAME_LENGTH and index > 0:
        if letters[index] in "aeiou":
            del letters[index]
        index -= 1
    return "".join(letters)[:NAME_LENGTH]


def abbreviate(organisation):
    """A readable short name of at most six characters for any organisation."""
    plain = unicodedata.normalize("NFKD", organisation).encode("ascii", "ignore").decode()
    words = [w for w in re.split(r"[^A-Za-z0-9]+", plain) if w and w.lower() not in COMPANY_FORMS]
    if not words:
        return "Unknwn"
    word = words[0]
    if len(word) > 3 and word.isupper():
        word = word.capitalize()
    if len(words) > 1 and (len(word) <= 2 or word.lower() in GENERIC_WORDS):
        return (word[:3] + words[1][:3].capitalize())[:NAME_LENGTH]
    return shorten(word)


def short_name(prefix, organisation):
    return PREFIX_NAMES.get(prefix) or maker_of(organisation) or abbreviate(organisation)


def is_classic(prefix):
    first_byte = int(prefix[:2], 16)
    return prefix[:4] in ("0000", "0800", "AA00") or (first_byte & 0x02) != 0


def choose(organisations):
    """The chosen prefixes in the order of the selection rule."""
    usable = {p: o for p, o in organisations.items() if not is_placeholder(o)}
    chosen = dict(EXTRA_PREFIXES)

    def take(prefix):
        if len(chosen) < CAPACITY and prefix not in chosen:
            chosen[prefix] = short_name(prefix, usable[prefix])

    for prefix in WELL_KNOWN_PREFIXES:
        if prefix in usable:
            take(prefix)
    for prefix in sorted(p for p in usable if is_classic(p)):
        take(prefix)

    per_maker = {}
    for prefix in sorted(usable):
        maker = maker_of(usable[prefix])
        if maker and per_maker.get(maker, 0) < PER_MAKER and prefix not in chosen:
            per_maker[maker] = per_maker.get(maker, 0) + 1
            take(prefix)

    for block in FILL_BLOCKS:
        for prefix in sorted(p for p in usable if p.startswith(block)):
            take(prefix)
    return chosen


def write_table(chosen, path, source):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("/* Quenlix manufacturer prefixes: columns 1-6 the prefix in hexadecimal,\n")
        out.write("/* columns 8-13 a short name. Prefixes must stay in ascending order.\n")
        out.write("/* Generated by scripts/make_oui.py from %s (%d entries).\n" % (source, len(chosen)))
        out.write("/*\n")
        for prefix in sorted(chosen):
            out.write("%s %s\n" % (prefix, chosen[prefix]))


def main(argv):
    registry = argv[1] if len(argv) > 1 else REGISTRY
    output = argv[2] if len(argv) > 2 else OUTPUT
    try:
        organisations = read_registry(registry)
    except OSError as error:
        print("cannot read the registry %s: %s (install Debian's ieee-data package)" % (registry, error),
              file=sys.stderr)
        return 1
    chosen = choose(organisations)
    write_table(chosen, output, "the IEEE MA-L registry (ieee-data oui.txt)")
    print("%s: %d entries" % (output, len(chosen)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
