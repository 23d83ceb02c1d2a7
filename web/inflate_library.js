// The web page's zlib inflater: pako (web/package.json), bundled into brindle.js ahead of this
// library, called synchronously from wad/formats/inflate_web.cpp.
mergeInto(LibraryManager.library, {
    // Inflates size bytes at data. On success returns a malloc'd buffer (the caller frees it)
    // and stores its length at *outSize; otherwise returns 0 and stores at *outSize -1 for a
    // broken stream, -2 for one that stops early and -3 for one that inflates past limit.
    brindle_inflate__deps: ['malloc'],
    brindle_inflate: function (data, size, limit, outSize) {
        var chunks = [];
        var total = 0;
        var tooLong = false;
        var inflater = new pako.Inflate({chunkSize: 65536});
        inflater.onData = function (chunk) {
            total += chunk.length;
            if (total > limit) {
                tooLong = true;
                throw new Error('too long');
            }
            chunks.push(chunk.slice());
        };
        var failure = 0;
        try {
            inflater.push(HEAPU8.subarray(data, data + size), true);
            if (inflater.err) {
                failure = -1;
            } else if (!inflater.ended) {
                failure = -2;
            }
        } catch (e) {
            failure = tooLong ? -3 : -1;
        }
        if (failure !== 0) {
            HEAP32[outSize >> 2] = failure;
            return 0;
        }
        var out = _malloc(Math.max(total, 1));
        var at = out;
        for (var i = 0; i < chunks.length; ++i) {
            HEAPU8.set(chunks[i], at);
            at += chunks[i].length;
        }
        HEAP32[outSize >> 2] = total;
        return out;
    },
});
