// Transfers on internal files: flang's eight begin calls, list-directed and formatted, on a
// character scalar or on a character array through its descriptor, for input and output. The
// run-time takes an internal file as elements one after another, one record each; an array whose
// elements lie apart (a section with a stride) is refused, as the run-time would read and write
// the bytes between them.
#include <climits>

#include "fortran/front.h"

namespace lnc::fortran {

namespace {

Handle internal_statement(const char* file, int line, bool is_input, const char* variable,
                          std::size_t length, std::size_t count) {
    Handle statement = open_statement(file, line, is_input, 0);
    if (length > INT_MAX || count > INT_MAX) {
        refuse(statement, "an internal file of more than 2147483647 characters");
        return statement;
    }
    statement->internal = const_cast<char*>(variable);
    statement->internal_length = static_cast<int>(length);
    statement->internal_count = static_cast<int>(count);
    return statement;
}

// The elements of a character array of default kind, when they follow one another in storage:
// first subscript fastest, each dimension's stride the size of all before it.
Handle internal_array_statement(const char* file, int line, bool is_input,
                                const DescriptorHeader& variable) {
    const DescriptorDimension* dimensions = descriptor_dimensions(variable);
    std::size_t count = 1;
    std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(variable.element_length);
    bool adjacent = variable.type == DESCRIPTOR_CHARACTER;
    for (int k = 0; k < variable.rank; ++k) {
        std::ptrdiff_t extent = dimensions[k].extent > 0 ? dimensions[k].extent : 0;
        adjacent = adjacent && (extent <= 1 || dimensions[k].byte_stride == stride);
        count = extent == 0 || count > INT_MAX ? 0 : count * static_cast<std::size_t>(extent);
        stride *= extent;
    }
    Handle statement =
        internal_statement(file, line, is_input, static_cast<const char*>(variable.base),
                           variable.element_length, count);
    if (!adjacent) {
        refuse(statement, variable.type == DESCRIPTOR_CHARACTER
                              ? "an internal file whose elements are not adjacent"
                              : "an internal file of characters of another kind");
    }
    return statement;
}

} // namespace

extern "C" {

Handle begin_internal_list_output(char* variable, std::size_t length, void**, std::size_t,
                                  const char* file, int line) {
    return internal_statement(file, line, false, variable, length, 1);
}

Handle begin_internal_list_input(const char* variable, std::size_t length, void**, std::size_t,
                                 const char* file, int line) {
    return internal_statement(file, line, true, variable, length, 1);
}

Handle begin_internal_formatted_output(char* variable, std::size_t length, const char* format,
                                       std::size_t format_length,
                                       const DescriptorHeader* format_descriptor, void**,
                                       std::size_t, const char* file, int line) {
    Handle statement = internal_statement(file, line, false, variable, length, 1);
    take_format(statement, format, format_length, format_descriptor);
    return statement;
}

Handle begin_internal_formatted_input(const char* variable, std::size_t length, const char* format,
                                      std::size_t format_length,
                                      const DescriptorHeader* format_descriptor, void**,
                                      std::size_t, const char* file, int line) {
    Handle statement = internal_statement(file, line, true, variable, length, 1);
    take_format(statement, format, format_length, format_descriptor);
    return statement;
}

Handle begin_internal_array_list_output(const DescriptorHeader& variable, void**, std::size_t,
                                        const char* file, int line) {
    return internal_array_statement(file, line, false, variable);
}

Handle begin_internal_array_list_input(const DescriptorHeader& variable, void**, std::size_t,
                                       const char* file, int line) {
    return internal_array_statement(file, line, true, variable);
}

Handle begin_internal_array_formatted_output(const DescriptorHeader& variable, const char* format,
                                             std::size_t format_length,
                                             const DescriptorHeader* format_descriptor, void**,
                                             std::size_t, const char* file, int line) {
    Handle statement = internal_array_statement(file, line, false, variable);
    take_format(statement, format, format_length, format_descriptor);
    return statement;
}

Handle begin_internal_array_formatted_input(const DescriptorHeader& variable, const char* format,
                                            std::size_t format_length,
                                            const DescriptorHeader* format_descriptor, void**,
                                            std::size_t, const char* file, int line) {
    Handle statement = internal_array_statement(file, line, true, variable);
    take_format(statement, format, format_length, format_descriptor);
    return statement;
}

} // extern "C"

} // namespace lnc::fortran
