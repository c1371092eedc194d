"""The plug-in property list with the name "Quayline", written out by hand from
the host's format so that no code under test produces the expectation."""

# Header: 16-bit 1, 32-bit 0, 32-bit record count 7. Then seven records of
# vendor and key (four-character codes, stored reversed), id 0, data length,
# and the data with zero fill to a multiple of 4.
EXPECTED_PROPERTY_LIST = bytes.fromhex(
    "0100" "00000000" "07000000"
    "564b5139" "646e696b" "00000000" "04000000" "5a4c5651"
    "564b5139" "656d616e" "00000000" "0c000000" "08517561796c696e65000000"
    "564b5139" "67746163" "00000000" "0c000000" "0a2a2a48696464656e2a2a00"
    "564b5139" "73726576" "00000000" "04000000" "00000100"
    "564b5139" "34363638" "00000000" "0c000000" "506c7567696e4d61696e0000"
    "564b5139" "74737270" "00000000" "04000000" "01000000"
    "4e565243" "4d706341" "00000000" "04000000" "01000000")
