// TPieceBuffer: a stream's buffer that hands what is written to a sink in
// pieces of at most 64 KB, so that a state file's text (a run's record of
// a million files) is never whole in memory. The sink writes one piece
// wholly or throws; the exception goes through the stream to the writer.
#pragma once

#include <cstddef>
#include <functional>
#include <streambuf>
#include <string_view>
#include <utility>
#include <vector>

namespace twsplatform {

class TPieceBuffer : public std::streambuf {
public:
    using TSink = std::function<void(std::string_view)>;

    explicit TPieceBuffer(TSink sink) : FSink(std::move(sink)), FBuffer(64 * 1024)
    {
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    }

protected:
    int_type overflow(int_type c) override
    {
        Flush();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override
    {
        Flush();
        return 0;
    }

private:
    void Flush()
    {
        FSink(std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    }

    TSink FSink;
    std::vector<char> FBuffer;
};

}  // namespace twsplatform
