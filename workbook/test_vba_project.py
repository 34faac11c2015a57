#!/usr/bin/python3
"""Reads the VBA project stored in tq7_sheet.xls the way the spreadsheet
application does, with a reader of its own, and checks that it is well formed.

Usage: /usr/bin/python3 workbook/test_vba_project.py [WORKBOOK.xls]
(without an argument: build/tq7_sheet.xls in the source tree).
Needs only the standard library and olefile: nothing here shares code with
build_workbook.py, so a fault in the builder's reading of the project cannot
hide the same fault in what it wrote.
"""

import codecs
import os
import re
import struct
import sys
import unittest

import olefile

HERE = os.path.dirname(os.path.abspath(__file__))
MODULE_SOURCE = os.path.join(HERE, "SheetLoader.bas")
WORKBOOK = os.path.normpath(os.path.join(HERE, os.pardir, "build",
                                         "tq7_sheet.xls"))
# An .xls keeps its VBA project in this storage of the compound file.
PROJECT_STORAGE = "_VBA_PROJECT_CUR"


class FormatError(Exception):
    pass


# --- The compressed container of VBA projects -------------------------------
# A signature byte 0x01, then chunks.  Each chunk has a 2-byte header: 12 bits
# of (chunk size including the header - 3), the signature 0b011, and a flag
# telling a compressed chunk from a raw one.  A raw chunk holds 4096 bytes as
# they are.  A compressed chunk is a run of flag bytes, each followed by up to
# eight tokens: a literal byte (flag bit 0) or a 2-byte copy token (flag bit 1).
# Each chunk decompresses to at most 4096 bytes on its own: copy tokens reach
# back only within the chunk, and how a token splits into offset and length
# depends on how far into the chunk's output the token stands.

CHUNK_SIZE = 4096


def unpack_copy_token(token, position):
    """(offset, length) of a copy token met `position` bytes into a chunk.

    The offset takes as many high bits as are needed to reach back to the
    start of the chunk, ceil(log2(position)), but at least 4; the length the
    remaining low bits.
    """
    if position < 1:
        raise FormatError("copy token at the start of a chunk")
    bit_count = max((position - 1).bit_length(), 4)
    length_mask = 0xFFFF >> bit_count
    offset = (token >> (16 - bit_count)) + 1
    length = (token & length_mask) + 3
    return offset, length


def decompress_chunk(data):
    out = bytearray()
    pos = 0
    while pos < len(data):
        flags = data[pos]
        pos += 1
        for bit in range(8):
            if pos >= len(data):
                break
            if not flags >> bit & 1:
                out.append(data[pos])
                pos += 1
                continue
            if pos + 2 > len(data):
                raise FormatError("copy token cut off by the end of the chunk")
            token = int.from_bytes(data[pos:pos + 2], "little")
            pos += 2
            offset, length = unpack_copy_token(token, len(out))
            if offset > len(out):
                raise FormatError("copy token reaches %d bytes back from %d"
                                  % (offset, len(out)))
            for _ in range(length):  # the copy may overlap what it writes
                out.append(out[-offset])
    if len(out) > CHUNK_SIZE:
        raise FormatError("chunk decompresses to %d bytes, more than %d"
                          % (len(out), CHUNK_SIZE))
    return bytes(out)


def decompress(container):
    """The bytes a compressed container stands for; FormatError if malformed."""
    if container[:1] != b"\x01":
        raise FormatError("container signature %r, expected b'\\x01'"
                          % container[:1])
    out = bytearray()
    pos = 1
    while pos < len(container):
        if pos + 2 > len(container):
            raise FormatError("chunk header cut off at %d" % pos)
        header = int.from_bytes(container[pos:pos + 2], "little")
        end = pos + (header & 0x0FFF) + 3
        if header >> 12 & 0b111 != 0b011:
            raise FormatError("chunk at %d: signature %d, expected 3"
                              % (pos, header >> 12 & 0b111))
        if end > len(container):
            raise FormatError("chunk at %d runs past the end (%d > %d)"
                              % (pos, end, len(container)))
        data = container[pos + 2:end]
        if header & 0x8000:
            out += decompress_chunk(data)
        elif len(data) != CHUNK_SIZE:
            raise FormatError("raw chunk at %d holds %d bytes, expected %d"
                              % (pos, len(data), CHUNK_SIZE))
        else:
            out += data
        pos = end
    return bytes(out)


class DecompressorTest(unittest.TestCase):
    """The decompressor itself, on known pairs, so that a fault in it cannot
    pass as a fault (or a success) of the workbook."""

    def test_known_pairs(self):
        raw_block = bytes(range(256)) * 16  # one raw chunk's worth
        run = bytes(range(256)) + bytes(range(44))  # 300 literals

        def chunk(data_hex):
            """A compressed chunk: its header, then the tokens given."""
            data = bytes.fromhex(data_hex)
            return (0xB000 | (len(data) + 2 - 3)).to_bytes(2, "little").hex() \
                + data.hex()
        cases = [
            # The format's own examples: literals only ...
            ("literals only",
             "01 19 B0 00 61 62 63 64 65 66 67 68 00 69 6A 6B 6C 6D 6E 6F 70"
             " 00 71 72 73 74 75 76 2E",
             b"abcdefghijklmnopqrstuv."),
            # ... and one literal copied over itself (offset 1, length 72).
            ("overlapping copy", "01 03 B0 02 61 45 00", b"a" * 73),
            # Literals and copy tokens mixed over two flag bytes; the offset
            # takes 4 bits up to position 16 and 5 bits at position 18.
            ("copy tokens",
             "01" + chunk("68 616263 0320 58 0190 0040 5A 01 0080"),
             b"abc" b"abcabc" b"X" b"abca" b"Xab" b"Z" b"bca"),
            # A raw chunk (size field 0xFFF, flag 0), then a compressed chunk
            # whose copy token at position 3 has a 4-bit offset: counted from
            # the chunk start (not from 4099, which would give 13 bits and
            # reach into the raw chunk).
            ("raw chunk then a new chunk",
             "01 FF 3F" + raw_block.hex() + chunk("08 616263 0020"),
             raw_block + b"abcabc"),
            # 300 literals, then a copy token with a 9-bit offset and a 7-bit
            # length: back 300 bytes, 10 long.
            ("9-bit offset",
             "01" + chunk("".join("00" + run[i:i + 8].hex()
                                  for i in range(0, 296, 8))
                          + "10" + run[296:].hex()
                          + ((299 << 7) | 7).to_bytes(2, "little").hex()),
             run + run[:10]),
        ]
        for name, compressed, expected in cases:
            with self.subTest(case=name):
                got = decompress(bytes.fromhex(compressed))
                self.assertEqual(got, expected,
                                 "expected %r, got %r" % (expected, got))

    def test_offset_and_length_split(self):
        cases = [  # position in chunk, token, offset, length
            (1, 0x0045, 1, 72),
            (16, 0xF000, 16, 3),  # still 4 offset bits
            (17, 0x8000, 17, 3),  # 5 offset bits from here
            (2048, (2047 << 5) | 31, 2048, 34),  # 11 bits
            (2049, (2048 << 4) | 15, 2049, 18),  # 12 bits
            (4095, 0xFFFF, 4096, 18),  # 12 bits, the most a chunk needs
        ]
        for position, token, offset, length in cases:
            with self.subTest(position=position, token=hex(token)):
                self.assertEqual(unpack_copy_token(token, position),
                                 (offset, length))

    def test_malformed_containers(self):
        cases = [
            ("no signature byte", "02 03 B0 02 61 45 00"),
            ("chunk signature not 3", "01 03 A0 02 61 45 00"),
            ("chunk longer than the data", "01 04 B0 02 61 45 00"),
            ("copy before any output", "01 02 B0 01 00 00"),
            ("copy reaching before the chunk", "01 03 B0 02 61 00 10"),
            ("raw chunk not of 4096 bytes", "01 03 30 61 62 63 64"),
        ]
        for name, compressed in cases:
            with self.subTest(case=name):
                with self.assertRaises(FormatError):
                    decompress(bytes.fromhex(compressed))


# --- The dir stream ------------------------------------------------------------
# Records of a 2-byte id and (mostly) a 4-byte size, in a fixed order.  Where
# the format has a "Reserved" id in the middle of a record (the Unicode half
# of a name) it has the same id-and-size shape, so it is read as a record too.

class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, n, what):
        if self.pos + n > len(self.data):
            raise FormatError("%s: %d bytes wanted at %d, stream ends at %d"
                              % (what, n, self.pos, len(self.data)))
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def u16(self, what):
        return struct.unpack("<H", self.take(2, what))[0]

    def u32(self, what):
        return struct.unpack("<I", self.take(4, what))[0]

    def peek_id(self):
        return struct.unpack_from("<H", self.data, self.pos)[0] \
            if self.pos + 2 <= len(self.data) else None

    def expect_id(self, record_id, what):
        at = self.pos
        got = self.u16(what)
        if got != record_id:
            raise FormatError("at %d: expected %s (id 0x%04X), got id 0x%04X"
                              % (at, what, record_id, got))

    def record(self, record_id, what, size=None):
        """Data of an id-size-data record; `size` if the size is fixed."""
        self.expect_id(record_id, what)
        got = self.u32(what + " size")
        if size is not None and got != size:
            raise FormatError("%s: size %d, expected %d" % (what, got, size))
        return self.take(got, what)

    def u32_record(self, record_id, what):
        return struct.unpack("<I", self.record(record_id, what, 4))[0]

    def u16_record(self, record_id, what):
        return struct.unpack("<H", self.record(record_id, what, 2))[0]

    def text_pair(self, record_id, unicode_id, what):
        """(MBCS bytes, UTF-16 text) of a record with a Unicode half."""
        mbcs = self.record(record_id, what)
        wide = self.record(unicode_id, what + " (Unicode)")
        return mbcs, wide.decode("utf-16-le")

    def optional(self, record_id):
        return self.peek_id() == record_id

    def end(self, what):
        if self.pos != len(self.data):
            raise FormatError("%s: %d bytes left over at %d"
                              % (what, len(self.data) - self.pos, self.pos))


def expect_zero(value, what):
    if value != 0:
        raise FormatError("%s: expected 0, got %d" % (what, value))


def read_libid_tail(r, what):
    """SizeOfLibid, Libid, Reserved1 (4 bytes, 0), Reserved2 (2 bytes, 0)."""
    libid = r.take(r.u32(what + " libid size"), what + " libid")
    expect_zero(r.u32(what + " Reserved1"), what + " Reserved1")
    expect_zero(r.u16(what + " Reserved2"), what + " Reserved2")
    return libid


def parse_reference_control(r):
    twiddled = Reader(r.record(0x002F, "REFERENCECONTROL"))
    read_libid_tail(twiddled, "REFERENCECONTROL twiddled")
    twiddled.end("REFERENCECONTROL twiddled")
    if r.optional(0x0016):
        r.text_pair(0x0016, 0x003E, "REFERENCECONTROL extended name")
    extended = Reader(r.record(0x0030, "REFERENCECONTROL extended"))
    libid = read_libid_tail(extended, "REFERENCECONTROL extended")
    extended.take(16 + 4, "REFERENCECONTROL type library and cookie")
    extended.end("REFERENCECONTROL extended")
    return libid


def parse_reference(r):
    """One reference: an optional name, then one of four kinds of record."""
    name = r.text_pair(0x0016, 0x003E, "REFERENCENAME") \
        if r.optional(0x0016) else None
    kind = r.peek_id()
    if kind == 0x000D:
        body = Reader(r.record(0x000D, "REFERENCEREGISTERED"))
        libid = read_libid_tail(body, "REFERENCEREGISTERED")
        body.end("REFERENCEREGISTERED")
        return {"name": name, "kind": "registered", "libid": libid}
    if kind == 0x000E:
        body = Reader(r.record(0x000E, "REFERENCEPROJECT"))
        libid = body.take(body.u32("libid size"), "absolute libid")
        body.take(body.u32("libid size"), "relative libid")
        body.take(4 + 2, "REFERENCEPROJECT version")
        body.end("REFERENCEPROJECT")
        return {"name": name, "kind": "project", "libid": libid}
    if kind == 0x0033:  # the original libid, then its control record
        r.record(0x0033, "REFERENCEORIGINAL")
        kind = r.peek_id()
    if kind == 0x002F:
        return {"name": name, "kind": "control",
                "libid": parse_reference_control(r)}
    raise FormatError("at %d: expected a reference record, got id %r"
                      % (r.pos, kind))


MODULE_PROCEDURAL = 0x0021
MODULE_DOCUMENT_OR_CLASS = 0x0022


def parse_module(r):
    m = {"name": r.record(0x0019, "MODULENAME")}
    if r.optional(0x0047):
        m["name_unicode"] = r.record(0x0047, "MODULENAMEUNICODE") \
            .decode("utf-16-le")
    m["stream"] = r.text_pair(0x001A, 0x0032, "MODULESTREAMNAME")
    m["docstring"] = r.text_pair(0x001C, 0x0048, "MODULEDOCSTRING")
    m["offset"] = r.u32_record(0x0031, "MODULEOFFSET")
    m["help_context"] = r.u32_record(0x001E, "MODULEHELPCONTEXT")
    m["cookie"] = r.u16_record(0x002C, "MODULECOOKIE")
    m["type"] = r.peek_id()
    if m["type"] not in (MODULE_PROCEDURAL, MODULE_DOCUMENT_OR_CLASS):
        raise FormatError("at %d: expected MODULETYPE (0x0021 or 0x0022), "
                          "got id %r" % (r.pos, m["type"]))
    r.record(m["type"], "MODULETYPE", 0)
    for flag, record_id in (("read_only", 0x0025), ("private", 0x0028)):
        m[flag] = r.optional(record_id)
        if m[flag]:
            r.record(record_id, "MODULEREADONLY/MODULEPRIVATE", 0)
    r.record(0x002B, "module Terminator", 0)
    return m


def parse_dir(data):
    """The decompressed dir stream as a dict; FormatError where it deviates."""
    r = Reader(data)
    p = {"syskind": r.u32_record(0x0001, "PROJECTSYSKIND")}
    if r.optional(0x004A):  # written by newer VBA versions only
        p["compat_version"] = r.u32_record(0x004A, "PROJECTCOMPATVERSION")
    p["lcid"] = r.u32_record(0x0002, "PROJECTLCID")
    p["lcid_invoke"] = r.u32_record(0x0014, "PROJECTLCIDINVOKE")
    p["code_page"] = r.u16_record(0x0003, "PROJECTCODEPAGE")
    p["name"] = r.record(0x0004, "PROJECTNAME")
    p["docstring"] = r.text_pair(0x0005, 0x0040, "PROJECTDOCSTRING")
    p["help_file"] = (r.record(0x0006, "PROJECTHELPFILEPATH"),
                      r.record(0x003D, "PROJECTHELPFILEPATH second copy"))
    p["help_context"] = r.u32_record(0x0007, "PROJECTHELPCONTEXT")
    p["lib_flags"] = r.u32_record(0x0008, "PROJECTLIBFLAGS")
    r.expect_id(0x0009, "PROJECTVERSION")
    if r.u32("PROJECTVERSION Reserved") != 4:  # 4, though 6 bytes follow
        raise FormatError("PROJECTVERSION: Reserved is not 4")
    p["version"] = (r.u32("VersionMajor"), r.u16("VersionMinor"))
    if r.optional(0x000C):
        p["constants"] = r.text_pair(0x000C, 0x003C, "PROJECTCONSTANTS")
    p["references"] = []
    while r.peek_id() != 0x000F:
        p["references"].append(parse_reference(r))
    count = r.u16_record(0x000F, "PROJECTMODULES")
    p["cookie"] = r.u16_record(0x0013, "PROJECTCOOKIE")
    p["modules"] = [parse_module(r) for _ in range(count)]
    r.expect_id(0x0010, "dir Terminator")
    expect_zero(r.u32("dir Terminator Reserved"), "dir Terminator Reserved")
    r.end("dir stream")
    return p


# --- The PROJECT stream -----------------------------------------------------------
# Text lines ending in CR LF: "key=value" properties, a blank line, then
# "[Host Extender Info]" and "[Workspace]" sections.

def project_properties(text):
    """Properties before the first section, as (key, value) pairs in order."""
    props = []
    for line in text.split("\r\n"):
        if line.startswith("["):
            break
        if line:
            key, sep, value = line.partition("=")
            if not sep:
                raise FormatError("PROJECT line without '=': %r" % line)
            props.append((key, value))
    return props


def unquote(value):
    if len(value) < 2 or value[0] != '"' or value[-1] != '"':
        raise FormatError("expected a quoted value, got %r" % value)
    return value[1:-1]


def decrypt(hex_text):
    """(version, project key, data) of a CMG/DPB/GC value.

    Each byte is XORed with the sum of the encrypted byte two places back and
    the plain byte one place back, seeded by the project key and the version.
    The seed's bits 1-2 give how many ignored bytes precede the 4-byte length.
    """
    enc = bytes.fromhex(hex_text)
    seed, version_enc, key_enc = enc[0], enc[1], enc[2]
    state = {"pos": 3, "enc1": key_enc, "enc2": version_enc,
             "plain1": seed ^ key_enc}

    def next_byte():
        byte_enc = enc[state["pos"]]
        byte = byte_enc ^ ((state["enc2"] + state["plain1"]) & 0xFF)
        state.update(pos=state["pos"] + 1, enc2=state["enc1"],
                     enc1=byte_enc, plain1=byte)
        return byte

    for _ in range((seed & 6) // 2):
        next_byte()
    length = int.from_bytes(bytes(next_byte() for _ in range(4)), "little")
    if state["pos"] + length != len(enc):
        raise FormatError("encrypted value of %d bytes holds a length of %d"
                          % (len(enc), length))
    data = bytes(next_byte() for _ in range(length))
    return seed ^ version_enc, seed ^ key_enc, data


# --- The workbook ----------------------------------------------------------------

ATTRIBUTE = re.compile(rb"Attribute VB_\w+ = ")


class VbaProjectTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        path = WORKBOOK
        if not os.path.isfile(path):
            raise AssertionError("no workbook at %s (build the target "
                                 "tq7_workbook first)" % path)
        cls.streams = {}
        with olefile.OleFileIO(path) as ole:
            for entry in ole.listdir(streams=True, storages=False):
                cls.streams["/".join(entry)] = ole.openstream(entry).read()
        cls.dir = parse_dir(decompress(cls.stream("VBA/dir")))
        cls.code_page = "cp%d" % cls.dir["code_page"]
        cls.project_text = cls.stream("PROJECT").decode(cls.code_page)
        cls.project = project_properties(cls.project_text)

    @classmethod
    def stream(cls, name):
        full = PROJECT_STORAGE + "/" + name
        if full not in cls.streams:
            raise AssertionError("stream %s missing; streams: %s"
                                 % (full, sorted(cls.streams)))
        return cls.streams[full]

    def values(self, key):
        return [value for k, value in self.project if k == key]

    def module(self):
        self.assertEqual(len(self.dir["modules"]), 1,
                         "expected one module, got %r" % self.dir["modules"])
        return self.dir["modules"][0]

    def test_workbook_announces_its_project(self):
        # The application looks for the project storage only when the
        # workbook globals hold an OBPROJ record (type 0x00D3, no data).
        book = self.streams["Workbook"]
        pos, found = 0, False
        while pos + 4 <= len(book):
            kind, size = struct.unpack_from("<HH", book, pos)
            if kind == 0x000A:  # EOF of the globals substream
                break
            found = found or (kind == 0x00D3 and size == 0)
            pos += 4 + size
        self.assertTrue(found, "no OBPROJ record in the workbook globals")

    def test_dir_fields(self):
        d = self.dir
        # dir parsed to its terminator with nothing left over in setUpClass.
        self.assertIn(d["syskind"], (0, 1, 2, 3))
        self.assertEqual((d["lcid"], d["lcid_invoke"]), (0x409, 0x409))
        self.assertEqual(d["lib_flags"], 0)
        self.assertEqual(d["cookie"], 0xFFFF)
        self.assertEqual(d["help_file"][0], d["help_file"][1])
        self.assertTrue(1 <= len(d["name"]) <= 128, "project name %r"
                        % d["name"])
        for ref in d["references"]:
            self.assertTrue(ref["libid"], "reference without a libid: %r" % ref)

    def test_code_page_matches_the_project_stream(self):
        # The PROJECT stream carries no code page of its own: it is text in
        # the dir stream's PROJECTCODEPAGE, and the application decodes it,
        # the module names and the module text with that code page.  So
        # "matches" means: the code page is a real one (0 is not, and leaves
        # the application unable to decode anything); the PROJECT stream
        # decodes in it (done in setUpClass); and the names that appear in
        # both places, in the code page and in UTF-16, are the same text
        # once decoded with it.  With ASCII-only names many code pages would
        # pass the last part; it still catches names written in a different
        # encoding from the one declared.
        cp = self.dir["code_page"]
        self.assertNotEqual(cp, 0)
        codecs.lookup(self.code_page)  # LookupError: not a known code page
        name = self.dir["name"].decode(self.code_page)
        self.assertEqual(self.values("Name"), ['"%s"' % name])
        m = self.module()
        module_name = m["name"].decode(self.code_page)
        self.assertEqual(m.get("name_unicode", module_name), module_name)
        self.assertEqual(m["stream"][0].decode(self.code_page), m["stream"][1])
        docstring = self.dir["docstring"]
        self.assertEqual(docstring[0].decode(self.code_page), docstring[1])
        # PROJECTwm, where present, pairs each module name in the code page
        # with its UTF-16 form, both ending in a NUL; a NUL pair ends it.
        if PROJECT_STORAGE + "/PROJECTwm" in self.streams:
            wm = self.stream("PROJECTwm")
            pairs, pos = [], 0
            while wm[pos:pos + 2] != b"\x00\x00":
                end = wm.index(b"\x00", pos)
                mbcs = wm[pos:end].decode(self.code_page)
                wide_end = end + 1
                while wm[wide_end:wide_end + 2] != b"\x00\x00":
                    wide_end += 2
                pairs.append((mbcs, wm[end + 1:wide_end].decode("utf-16-le")))
                pos = wide_end + 2
            self.assertEqual(pos + 2, len(wm), "PROJECTwm: bytes left over")
            self.assertEqual(pairs, [(module_name, module_name)])

    def test_module_is_standard_and_starts_at_offset_0(self):
        m = self.module()
        self.assertEqual(m["type"], MODULE_PROCEDURAL,
                         "expected a standard module (0x0021), got 0x%04X"
                         % m["type"])
        self.assertEqual(m["offset"], 0)
        self.assertFalse(m["private"])

    def test_module_source_equals_the_bas_file(self):
        # The application stores module text with CR LF line ends and
        # compares nothing else; the .bas file is kept with CR LF too, but
        # a checkout may turn that into LF, so both are compared as lists of
        # lines, and the stored text is checked for CR LF on its own.
        m = self.module()
        stored = decompress(self.stream("VBA/" + m["stream"][1])[m["offset"]:])
        stored.decode(self.code_page)  # the application decodes it so
        self.assertNotRegex(stored, rb"\r(?!\n)|(?<!\r)\n",
                            "stored source has line ends other than CR LF")
        with open(MODULE_SOURCE, "rb") as f:
            expected = f.read().splitlines()  # at CR LF, LF or CR
        got = stored.splitlines()
        # The application takes the module name from the dir stream, and the
        # VB_Name attribute must agree with it; other attribute lines come
        # first too and describe the module, not its code.
        name_line = b'Attribute VB_Name = "' + m["name"] + b'"'
        self.assertEqual(got[:1], [name_line])
        self.assertEqual(
            [ln for ln in got if not ATTRIBUTE.match(ln)],
            [ln for ln in expected if not ATTRIBUTE.match(ln)])

    def test_performance_cache_is_ignored(self):
        # Version 0xFFFF matches no VBA build, so the application ignores
        # the compiled cache and compiles the module from its source.
        head = self.stream("VBA/_VBA_PROJECT")
        self.assertGreaterEqual(len(head), 7)
        reserved1, version, reserved2 = struct.unpack_from("<HHB", head)
        self.assertEqual((reserved1, version, reserved2), (0x61CC, 0xFFFF, 0))

    def test_project_stream_lists_the_module_unprotected(self):
        m = self.module()
        name = m["name"].decode(self.code_page)
        self.assertEqual(self.values("Module"), [name])
        for other in ("Document", "Class", "BaseClass", "Package"):
            self.assertEqual(self.values(other), [], other)
        project_id = unquote(self.values("ID")[0]).encode(self.code_page)
        # Each value is encrypted with the key made from the project's ID;
        # the plain values mean: no protection flags (CMG: 4 zero bytes),
        # no password (DPB: one zero byte), visible in the editor (GC: 0xFF).
        plain = {"CMG": bytes(4), "DPB": b"\x00", "GC": b"\xff"}
        for key, expected in plain.items():
            with self.subTest(value=key):
                values = self.values(key)
                self.assertEqual(len(values), 1, "%s=%r" % (key, values))
                version, project_key, data = decrypt(unquote(values[0]))
                self.assertEqual(version, 2)
                self.assertEqual(project_key, sum(project_id) & 0xFF)
                self.assertEqual(data, expected,
                                 "%s: expected %s, got %s"
                                 % (key, expected.hex(), data.hex()))


if __name__ == "__main__":
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        WORKBOOK = os.path.abspath(sys.argv.pop(1))
    unittest.main()
