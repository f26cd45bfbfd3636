// Whole arrays and array sections as flang passes them: a descriptor with the base address, the
// element length, the type code and, per dimension, the extent and the byte distance between
// elements. A contiguous array goes to the run-time as one array item; a section with gaps goes
// element by element, first subscript fastest, as list-directed transfer takes each element as
// an item of its own either way.
#include <climits>

#include "fortran/front.h"
#include "lncalc/statements.h"

namespace lnc::fortran {

namespace {

struct TypeMatch {
    int descriptor_type;
    int runtime_type;
    std::size_t element_length; // 0: any (characters)
};

constexpr TypeMatch TYPE_MATCHES[] = {
    {DESCRIPTOR_INTEGER1, TYPE_INTEGER1, 1},
    {DESCRIPTOR_INTEGER2, TYPE_INTEGER2, 2},
    {DESCRIPTOR_INTEGER4, TYPE_INTEGER4, 4},
    {DESCRIPTOR_LOGICAL1, TYPE_LOGICAL1, 1},
    {DESCRIPTOR_LOGICAL1_BYTE, TYPE_LOGICAL1, 1},
    {DESCRIPTOR_LOGICAL2, TYPE_LOGICAL2, 2},
    {DESCRIPTOR_LOGICAL4, TYPE_LOGICAL4, 4},
    {DESCRIPTOR_REAL4, TYPE_REAL4, 4},
    {DESCRIPTOR_REAL8, TYPE_REAL8, 8},
    {DESCRIPTOR_COMPLEX8, TYPE_COMPLEX8, 8},
    {DESCRIPTOR_COMPLEX16, TYPE_COMPLEX16, 16},
    {DESCRIPTOR_CHARACTER, TYPE_CHARACTER, 0},
};

// The run-time's type code of the descriptor's elements, 0 when it has none for them.
int runtime_type(const DescriptorHeader& descriptor) {
    for (const TypeMatch& match : TYPE_MATCHES) {
        if (match.descriptor_type == descriptor.type &&
            (match.element_length == 0 || match.element_length == descriptor.element_length)) {
            return match.runtime_type;
        }
    }
    return 0;
}

bool is_contiguous(const DescriptorHeader& descriptor) {
    const DescriptorDimension* dimensions = descriptor_dimensions(descriptor);
    std::ptrdiff_t expected = static_cast<std::ptrdiff_t>(descriptor.element_length);
    for (int k = 0; k < descriptor.rank; ++k) {
        if (dimensions[k].extent > 1 && dimensions[k].byte_stride != expected) {
            return false;
        }
        expected *= dimensions[k].extent;
    }
    return true;
}

bool transfer(Handle statement, int type, char* elements, int element_length, int count) {
    int status = statement->is_input ? read_item_array(type, elements, element_length, count)
                                     : write_item_array(type, elements, element_length, count);
    return item_result(statement, status);
}

// Element by element, first subscript fastest; stops at the first element that fails.
bool transfer_each(Handle statement, const DescriptorHeader& descriptor, int type,
                   long long count) {
    ElementWalk walk{&descriptor, {}};
    int length = static_cast<int>(descriptor.element_length);
    for (long long n = 0; n < count; ++n) {
        if (!transfer(statement, type, next_element(walk), length, 1)) {
            return false;
        }
    }
    return true;
}

bool transfer_descriptor(Handle statement, const DescriptorHeader& descriptor) {
    int type = runtime_type(descriptor);
    long long count = element_count(descriptor);
    if (type == 0 || count < 0 || descriptor.rank > MAX_RANK ||
        descriptor.element_length > static_cast<std::size_t>(INT_MAX)) {
        return refuse_item(statement);
    }
    if (!begin_on_runtime(statement)) {
        return false;
    }
    if (is_contiguous(descriptor)) {
        return transfer(statement, type, static_cast<char*>(descriptor.base),
                        static_cast<int>(descriptor.element_length), static_cast<int>(count));
    }
    return transfer_each(statement, descriptor, type, count);
}

} // namespace

// The number of elements, or -1 when it is more than an item can describe.
long long element_count(const DescriptorHeader& descriptor) {
    const DescriptorDimension* dimensions = descriptor_dimensions(descriptor);
    long long count = 1;
    for (int k = 0; k < descriptor.rank; ++k) {
        long long extent = dimensions[k].extent;
        if (extent <= 0) {
            return 0;
        }
        if (count > INT_MAX / extent) {
            return -1;
        }
        count *= extent;
    }
    return count;
}

char* next_element(ElementWalk& walk) {
    const DescriptorHeader& array = *walk.array;
    const DescriptorDimension* dimensions = descriptor_dimensions(array);
    char* element = static_cast<char*>(array.base);
    for (int k = 0; k < array.rank; ++k) {
        element += walk.subscripts[k] * dimensions[k].byte_stride;
    }
    for (int k = 0; k < array.rank && ++walk.subscripts[k] == dimensions[k].extent; ++k) {
        walk.subscripts[k] = 0;
    }
    return element;
}

extern "C" {

bool output_descriptor(Handle statement, const DescriptorHeader& descriptor) {
    return transfer_descriptor(statement, descriptor);
}

bool input_descriptor(Handle statement, const DescriptorHeader& descriptor) {
    return transfer_descriptor(statement, descriptor);
}

} // extern "C"

} // namespace lnc::fortran
