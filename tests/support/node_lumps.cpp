// Byte-level rewrites between the node formats. Every field keeps its value; only widths,
// partition units and compression change.
#include "tests/support/node_lumps.h"

#include <zlib.h>

#include <cctype>
#include <cstring>
#include <stdexcept>

namespace brindle::test {

namespace {

uint16_t u16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
uint32_t u32(const Bytes& b, size_t at) {
    return u16(b, at) | (uint32_t{u16(b, at + 2)} << 16);
}
void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void copy(Bytes& to, const Bytes& from, size_t at, size_t size) {
    to.insert(to.end(), from.begin() + static_cast<ptrdiff_t>(at),
              from.begin() + static_cast<ptrdiff_t>(at + size));
}
// A 16-bit reference widened: 0xFFFF (none) becomes all ones.
uint32_t wide(uint16_t v) {
    return v == 0xFFFF ? 0xFFFFFFFFu : v;
}
uint32_t wideChild(uint16_t v) {
    return (v & 0x8000) != 0 ? 0x80000000u | (v & 0x7FFFu) : v;
}

// The classic nodes with 32-bit children: 32-byte records.
void putWideNodes(Bytes& out, const Bytes& nodes) {
    for (size_t at = 0; at + 28 <= nodes.size(); at += 28) {
        copy(out, nodes, at, 24);
        put32(out, wideChild(u16(nodes, at + 24)));
        put32(out, wideChild(u16(nodes, at + 26)));
    }
}

bool compressedFormat(NodeFormat f) {
    return f == NodeFormat::znod || f == NodeFormat::zgln || f == NodeFormat::zgl2 ||
           f == NodeFormat::zgl3;
}

// The signature followed by the body, zlib-compressed for the compressed formats.
Bytes withSignature(NodeFormat format, const Bytes& body) {
    Bytes out;
    for (const char* c = nodeFormatName(format); *c != 0; ++c) {
        out.push_back(static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(*c))));
    }
    if (!compressedFormat(format)) {
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
    uLongf size = compressBound(body.size());
    Bytes packed(size);
    if (compress2(packed.data(), &size, body.data(), body.size(), 9) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<ptrdiff_t>(size));
    return out;
}

}  // namespace

ClassicNodeLumps deepBspLumps(const ClassicNodeLumps& classic) {
    ClassicNodeLumps deep;
    deep.vertexCount = classic.vertexCount;
    for (size_t at = 0; at + 12 <= classic.segs.size(); at += 12) {
        put32(deep.segs, wide(u16(classic.segs, at)));
        put32(deep.segs, wide(u16(classic.segs, at + 2)));
        copy(deep.segs, classic.segs, at + 4, 8);
    }
    for (size_t at = 0; at + 4 <= classic.subsectors.size(); at += 4) {
        put16(deep.subsectors, u16(classic.subsectors, at));
        put32(deep.subsectors, u16(classic.subsectors, at + 2));
    }
    const char signature[8] = {'x', 'N', 'd', '4', 0, 0, 0, 0};
    deep.nodes.assign(signature, signature + 8);
    putWideNodes(deep.nodes, classic.nodes);
    return deep;
}

Bytes oneLumpTree(NodeFormat format, const ClassicNodeLumps& classic) {
    const bool gl = format != NodeFormat::xnod && format != NodeFormat::znod;
    const bool wideLines = gl && format != NodeFormat::xgln && format != NodeFormat::zgln;
    const bool fixed = format == NodeFormat::xgl3 || format == NodeFormat::zgl3;
    Bytes body;
    put32(body, classic.vertexCount);
    put32(body, 0);  // no extra vertices
    put32(body, static_cast<uint32_t>(classic.subsectors.size() / 4));
    for (size_t at = 0; at + 4 <= classic.subsectors.size(); at += 4) {
        put32(body, u16(classic.subsectors, at));
    }
    put32(body, static_cast<uint32_t>(classic.segs.size() / 12));
    for (size_t at = 0; at + 12 <= classic.segs.size(); at += 12) {
        put32(body, wide(u16(classic.segs, at)));
        put32(body, gl ? 0xFFFFFFFFu : wide(u16(classic.segs, at + 2)));  // partner: none
        const uint16_t line = u16(classic.segs, at + 6);
        wideLines ? put32(body, wide(line)) : put16(body, line);
        body.push_back(static_cast<uint8_t>(u16(classic.segs, at + 8)));
    }
    put32(body, static_cast<uint32_t>(classic.nodes.size() / 28));
    for (size_t at = 0; at + 28 <= classic.nodes.size(); at += 28) {
        for (size_t k = 0; k < 4; ++k) {
            const int32_t v = static_cast<int16_t>(u16(classic.nodes, at + 2 * k));
            fixed ? put32(body, static_cast<uint32_t>(v) << 16)
                  : put16(body, u16(classic.nodes, at + 2 * k));
        }
        copy(body, classic.nodes, at + 8, 16);
        put32(body, wideChild(u16(classic.nodes, at + 24)));
        put32(body, wideChild(u16(classic.nodes, at + 26)));
    }
    return withSignature(format, body);
}

Bytes fromXgln(const Bytes& xgln, NodeFormat format) {
    const bool fixed = format == NodeFormat::xgl3 || format == NodeFormat::zgl3;
    const bool wideLines = format != NodeFormat::xgln && format != NodeFormat::zgln;
    size_t at = 4;
    Bytes body;
    copy(body, xgln, at, 8);
    const uint32_t extra = u32(xgln, at + 4);
    at += 8;
    copy(body, xgln, at, size_t{extra} * 8 + 4);
    at += size_t{extra} * 8;
    const uint32_t subsectors = u32(xgln, at);
    at += 4;
    copy(body, xgln, at, size_t{subsectors} * 4 + 4);
    at += size_t{subsectors} * 4;
    const uint32_t segs = u32(xgln, at);
    at += 4;
    for (uint32_t i = 0; i < segs; ++i, at += 11) {
        copy(body, xgln, at, 8);
        const uint16_t line = u16(xgln, at + 8);
        wideLines ? put32(body, wide(line)) : put16(body, line);
        body.push_back(xgln.at(at + 10));
    }
    const uint32_t nodes = u32(xgln, at);
    copy(body, xgln, at, 4);
    at += 4;
    for (uint32_t i = 0; i < nodes; ++i, at += 32) {
        for (size_t k = 0; k < 4; ++k) {
            const int32_t v = static_cast<int16_t>(u16(xgln, at + 2 * k));
            fixed ? put32(body, static_cast<uint32_t>(v) << 16)
                  : put16(body, u16(xgln, at + 2 * k));
        }
        copy(body, xgln, at + 8, 24);
    }
    return withSignature(format, body);
}

}  // namespace brindle::test
