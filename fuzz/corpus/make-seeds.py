#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/ from the test fixtures and a few hand-made
inputs. Seeds stay small: libFuzzer mutates them, it does not need whole files. Inputs that once
crashed a target are kept beside the seeds by hand as regression-*.bin, so every run replays them."""

import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
FIXTURES = HERE.parent.parent / "tests" / "fixtures"
LARGEST_SEED = 4096


def write(target, name, data):
    folder = HERE / target
    folder.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    (folder / name).write_bytes(data[:LARGEST_SEED] if len(data) > LARGEST_SEED else data)


def trimmed_hex(text, records):
    lines = [line for line in text.splitlines() if line.strip()]
    return "\n".join(lines[:records] + [":00000001FF"]) + "\n"


def hex_seeds():
    for path in sorted((FIXTURES / "hex").glob("*.hex")):
        text = path.read_bytes().decode("latin-1")  # line endings as they are
        if len(text) > LARGEST_SEED:
            if path.name != "sample-update.hex":
                continue  # a large fault fixture; the fuzzer makes such faults itself
            text = trimmed_hex(text, 40)  # the same kind of file, a few records long
        write("IntelHexLoaderFuzz", path.name, text.encode("latin-1"))
    write("IntelHexLoaderFuzz", "segments-and-start.hex",
          ":020000020000FC\n:0400000300000000F9\n:0400000500000000F7\n:0100FF00AA56\n:00000001FF\n")


def zone_seeds():
    for path in sorted((FIXTURES / "zones").glob("*.txt")):
        write("ZoneChartFuzz", path.name, path.read_bytes())
    header = "Zone Charts\r\n  3-digit ZIP Code prefix is 005  \r\n"
    write("ZoneChartFuzz", "crlf.txt", header + "005 1   006---009 2*  010 3\r\n")
    entries = " ".join(f"{prefix:03d} {prefix % 9 + 1}" for prefix in range(5, 262))
    write("ZoneChartFuzz", "257-entries.txt", "Title\n3-digit ZIP Code prefix is 123\n" + entries + "\n")
    write("ZoneChartFuzz", "no-origin.txt", "Title\n005 7\n")


def query_seeds():
    write("QueryReplyFuzz", "table.txt", "2\n3\nVantor|3.0.0|a\\|b|c\\\\|\n|x|\n")
    write("QueryReplyFuzz", "error.txt", "#ERR#no such table")
    write("QueryReplyFuzz", "executed.txt", "Query Executed!")
    write("QueryReplyFuzz", "percent.txt", "%41%4+b%%4G%")
    write("QueryReplyFuzz", "counts.txt", "32767\n32767\n|")
    write("QueryFormFuzz", "program-body.txt",
          '--AaB03x\r\ncontent-disposition: form-data; name="rquery"\r\n\r\n%9A%0F1B\r\n--AaB03x\x00\x00')
    write("QueryFormFuzz", "two-parts.txt",
          '--AaB03x\r\nContent-Disposition: form-data; filename="a"; name="x"\r\n\r\n1\r\n'
          '--AaB03x\r\nContent-Disposition: form-data; name=query\r\n\r\nAB\r\n--AaB03x--\r\n\x00\x01')
    write("QueryFormFuzz", "plain-form.txt", "a=1&rquery=%41B&query=2\x01\x01")


def range_seeds():
    # FuzzedDataProvider takes the three numbers from the end, the header from the front.
    tail = struct.pack("<QQQ", 7, 3, 1048576)[::-1]
    for name, header in [("one", "bytes=0-99"), ("suffix", "bytes=-10"), ("open", "Bytes = 5- "),
                         ("several", "bytes=0-0, 5-6"), ("backwards", "bytes=5-2"),
                         ("huge", "bytes=0-18446744073709551615"), ("overflow", "bytes=99999999999999999999999-")]:
        write("ByteRangeFuzz", name + ".txt", header.encode() + tail)


def money_seeds():
    # FuzzedDataProvider takes the format and the double from the end, the text from the front.
    tail = struct.pack("<d", 1234.565)[::-1] + b"\x00"
    for name, text in [("plain", "12"), ("money", "$1,234.56"), ("negative", "-$0.50"),
                       ("sign-after", "$-3"), ("blanks", "  7.5\t"), ("point", "5."), ("huge", "9" * 320)]:
        write("MoneyTextFuzz", name + ".txt", text.encode() + tail)


def table_seeds():
    # Strings come from the front, separated by a backslash and one more character; the
    # operations and answers from the end, last byte first: default format, key 1, Add x3.
    boxes = "\\x".join(["16", "0.50", "32", "1.00", "48", "$1.50"]) + "\\x"
    write("WeightRateTableFuzz", "three-ranges.bin", boxes.encode() + bytes([0, 1, 0, 1, 0, 1, 0, 1, 0]))


def download_seeds():
    for name, head in [("resume", "bytes 4096-9999/10000"), ("unknown-length", "bytes 0-99/*"),
                       ("wrong-start", "bytes 5-4/3")]:
        write("DownloadReplyFuzz", name + ".bin", head.encode() + b"\\x" + bytes(range(48)))


def http_seeds():
    replies = {
        "length.bin": "HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\nContent-Range: bytes 0-4/5\r\n\r\nabcde",
        "chunked.bin": "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x=y\r\nabcd\r\n0\r\nT: 1\r\n\r\n",
        "until-close.bin": "HTTP/1.0 200 OK\nServer: x\n\nbody",
        "interim.bin": "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n",
    }
    for name, reply in replies.items():
        write("HttpReplyReaderFuzz", name, b"\x03" + reply.encode("latin-1"))


def scale_seeds():
    unlock = bytes([0x1E, 0x12, 0x34, 0x56, 0x78])
    write_page = bytes([0xC3, 0x07, 0x00]) + bytes(range(128))
    read_page = bytes([0xB4, 0x07, 0x00])
    session = unlock + write_page + read_page + bytes([0x4B]) + write_page + bytes([0x00, 0xB4, 0xFF, 0xC0])
    write("ScaleModelFuzz", "session.bin", session)
    for fault in ["lose:write:nth=1", "corrupt:read:addr=0x700", "long:any", "short:read",
                  "refuse:unlock:count=2", "echo:read", "hangup:write:nth=1", "delay:read:ms=4500:nth=1"]:
        write("ScaleModelFuzz", fault.split(":")[0] + ".bin", fault.encode() + b"\n" + session)


def history_seeds():
    record = ('{"time":"2026-12-08T13:06:33+01:00","serial":"24681357","operation":"update","what":"",'
              '"sha256":"b6037892b70a9874b281b4cf05cae625574c0c4527e531c80f63db50c864bf02",'
              '"result":"All 512 pages were written and verified.","ok":true,"pages":512,"seconds":71.2}')
    key = ('{"time":"2026-12-08T13:10:02+01:00","serial":"24681357","operation":"key","what":"key 3 \\u00e9",'
           '"sha256":null,"result":"The scale refused the write.","ok":false,"pages":0,"seconds":0.4}')
    write("UpdateHistoryFuzz", "records.jsonl", record + "\n" + key + "\r\n\n" + record[:50] + key + "\n")


if __name__ == "__main__":
    hex_seeds()
    zone_seeds()
    query_seeds()
    range_seeds()
    money_seeds()
    table_seeds()
    download_seeds()
    scale_seeds()
    http_seeds()
    history_seeds()
