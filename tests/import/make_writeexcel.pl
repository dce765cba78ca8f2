#!/usr/bin/perl
# Writes sample rosters with Spreadsheet::WriteExcel: make_writeexcel.pl FOLDER
use strict;
use warnings;
use utf8;
use Spreadsheet::WriteExcel;

my $folder = shift @ARGV;
my $book = Spreadsheet::WriteExcel->new("$folder/writeexcel.xls") or die "cannot write: $!";
my $sheet = $book->add_worksheet('名单');
my @rows = (
    ['一厂', '财务部', '张三', 'A001'],
    ['一厂', '生产部', '李四', 12],
    ['二厂', '', '', ''],
    ['二厂', '质检部', "O'Neil", 1001.5],
    ['三厂', "'; delete from EmpNo --", '王五', -3],
    ['四厂', '销售部', '钱七', 0.274],
    ['五厂', 'Dept', 'Ünïcödé', 65536],
);
for my $r (0 .. $#rows) {
    for my $c (0 .. 3) {
        my $v = $rows[$r][$c];
        if ($v eq '') { $sheet->write_blank($r, $c); }
        elsif ($v =~ /^-?[\d.]+$/) { $sheet->write_number($r, $c, $v); }
        else { $sheet->write_string($r, $c, $v); }
    }
}
$sheet->write_formula(7, 0, '=1+1', 2);
$sheet->write_formula(7, 1, '="ab"&"cd"', 'abcd');
$sheet->write_boolean(7, 2, 1) if $sheet->can('write_boolean');
$book->add_worksheet('其他')->write(0, 0, 'not read');
$book->close();
